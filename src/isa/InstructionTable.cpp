#include "isa/InstructionTable.h"

// 0x10 "stop" is one byte here (the byte after it is decoded on its own). 0x07/0x0F are "rlca"/
// "rrca", one byte with other flags than their CB twins "rlc a"/"rrc a", so that every text
// names one instruction and types back to its own bytes.

namespace {

constexpr InstructionTable kDisasm = {{
    {"nop", 0},               // 00
    {"ld bc,?", 2},           // 01
    {"ld [bc],a", 0},         // 02
    {"inc bc", 0},            // 03
    {"inc b", 0},             // 04
    {"dec b", 0},             // 05
    {"ld b,?", 1},            // 06
    {"rlca", 0},              // 07
    {"ld [?],sp", 2},         // 08
    {"add hl,bc", 0},         // 09
    {"ld a,[bc]", 0},         // 0A
    {"dec bc", 0},            // 0B
    {"inc c", 0},             // 0C
    {"dec c", 0},             // 0D
    {"ld c,?", 1},            // 0E
    {"rrca", 0},              // 0F
    {"stop", 16},             // 10
    {"ld de,?", 2},           // 11
    {"ld [de],a", 0},         // 12
    {"inc de", 0},            // 13
    {"inc d", 0},             // 14
    {"dec d", 0},             // 15
    {"ld d,?", 1},            // 16
    {"rla", 0},               // 17
    {"jr ?", 4},              // 18
    {"add hl,de", 0},         // 19
    {"ld a,[de]", 0},         // 1A
    {"dec de", 0},            // 1B
    {"inc e", 0},             // 1C
    {"dec e", 0},             // 1D
    {"ld e,?", 1},            // 1E
    {"rra", 0},               // 1F
    {"jr nz,?", 4},           // 20
    {"ld hl,?", 2},           // 21
    {"ldi [hl],a", 0},        // 22
    {"inc hl", 0},            // 23
    {"inc h", 0},             // 24
    {"dec h", 0},             // 25
    {"ld h,?", 1},            // 26
    {"daa", 0},               // 27
    {"jr z,?", 4},            // 28
    {"add hl,hl", 0},         // 29
    {"ldi a,[hl]", 0},        // 2A
    {"dec hl", 0},            // 2B
    {"inc l", 0},             // 2C
    {"dec l", 0},             // 2D
    {"ld l,?", 1},            // 2E
    {"cpl", 0},               // 2F
    {"jr nc,?", 4},           // 30
    {"ld sp,?", 2},           // 31
    {"ldd [hl],a", 0},        // 32
    {"inc sp", 0},            // 33
    {"inc [hl]", 0},          // 34
    {"dec [hl]", 0},          // 35
    {"ld [hl],?", 1},         // 36
    {"scf", 0},               // 37
    {"jr c,?", 4},            // 38
    {"add hl,sp", 0},         // 39
    {"ldd a,[hl]", 0},        // 3A
    {"dec sp", 0},            // 3B
    {"inc a", 0},             // 3C
    {"dec a", 0},             // 3D
    {"ld a,?", 1},            // 3E
    {"ccf", 0},               // 3F
    {"ld b,b", 0},            // 40
    {"ld b,c", 0},            // 41
    {"ld b,d", 0},            // 42
    {"ld b,e", 0},            // 43
    {"ld b,h", 0},            // 44
    {"ld b,l", 0},            // 45
    {"ld b,[hl]", 0},         // 46
    {"ld b,a", 0},            // 47
    {"ld c,b", 0},            // 48
    {"ld c,c", 0},            // 49
    {"ld c,d", 0},            // 4A
    {"ld c,e", 0},            // 4B
    {"ld c,h", 0},            // 4C
    {"ld c,l", 0},            // 4D
    {"ld c,[hl]", 0},         // 4E
    {"ld c,a", 0},            // 4F
    {"ld d,b", 0},            // 50
    {"ld d,c", 0},            // 51
    {"ld d,d", 0},            // 52
    {"ld d,e", 0},            // 53
    {"ld d,h", 0},            // 54
    {"ld d,l", 0},            // 55
    {"ld d,[hl]", 0},         // 56
    {"ld d,a", 0},            // 57
    {"ld e,b", 0},            // 58
    {"ld e,c", 0},            // 59
    {"ld e,d", 0},            // 5A
    {"ld e,e", 0},            // 5B
    {"ld e,h", 0},            // 5C
    {"ld e,l", 0},            // 5D
    {"ld e,[hl]", 0},         // 5E
    {"ld e,a", 0},            // 5F
    {"ld h,b", 0},            // 60
    {"ld h,c", 0},            // 61
    {"ld h,d", 0},            // 62
    {"ld h,e", 0},            // 63
    {"ld h,h", 0},            // 64
    {"ld h,l", 0},            // 65
    {"ld h,[hl]", 0},         // 66
    {"ld h,a", 0},            // 67
    {"ld l,b", 0},            // 68
    {"ld l,c", 0},            // 69
    {"ld l,d", 0},            // 6A
    {"ld l,e", 0},            // 6B
    {"ld l,h", 0},            // 6C
    {"ld l,l", 0},            // 6D
    {"ld l,[hl]", 0},         // 6E
    {"ld l,a", 0},            // 6F
    {"ld [hl],b", 0},         // 70
    {"ld [hl],c", 0},         // 71
    {"ld [hl],d", 0},         // 72
    {"ld [hl],e", 0},         // 73
    {"ld [hl],h", 0},         // 74
    {"ld [hl],l", 0},         // 75
    {"halt", 0},              // 76
    {"ld [hl],a", 0},         // 77
    {"ld a,b", 0},            // 78
    {"ld a,c", 0},            // 79
    {"ld a,d", 0},            // 7A
    {"ld a,e", 0},            // 7B
    {"ld a,h", 0},            // 7C
    {"ld a,l", 0},            // 7D
    {"ld a,[hl]", 0},         // 7E
    {"ld a,a", 0},            // 7F
    {"add a,b", 0},           // 80
    {"add a,c", 0},           // 81
    {"add a,d", 0},           // 82
    {"add a,e", 0},           // 83
    {"add a,h", 0},           // 84
    {"add a,l", 0},           // 85
    {"add a,[hl]", 0},        // 86
    {"add a,a", 0},           // 87
    {"adc a,b", 0},           // 88
    {"adc a,c", 0},           // 89
    {"adc a,d", 0},           // 8A
    {"adc a,e", 0},           // 8B
    {"adc a,h", 0},           // 8C
    {"adc a,l", 0},           // 8D
    {"adc a,[hl]", 0},        // 8E
    {"adc a,a", 0},           // 8F
    {"sub b", 0},             // 90
    {"sub c", 0},             // 91
    {"sub d", 0},             // 92
    {"sub e", 0},             // 93
    {"sub h", 0},             // 94
    {"sub l", 0},             // 95
    {"sub [hl]", 0},          // 96
    {"sub a", 0},             // 97
    {"sbc a,b", 0},           // 98
    {"sbc a,c", 0},           // 99
    {"sbc a,d", 0},           // 9A
    {"sbc a,e", 0},           // 9B
    {"sbc a,h", 0},           // 9C
    {"sbc a,l", 0},           // 9D
    {"sbc a,[hl]", 0},        // 9E
    {"sbc a,a", 0},           // 9F
    {"and a,b", 0},           // A0
    {"and a,c", 0},           // A1
    {"and a,d", 0},           // A2
    {"and a,e", 0},           // A3
    {"and a,h", 0},           // A4
    {"and a,l", 0},           // A5
    {"and a,[hl]", 0},        // A6
    {"and a,a", 0},           // A7
    {"xor a,b", 0},           // A8
    {"xor a,c", 0},           // A9
    {"xor a,d", 0},           // AA
    {"xor a,e", 0},           // AB
    {"xor a,h", 0},           // AC
    {"xor a,l", 0},           // AD
    {"xor a,[hl]", 0},        // AE
    {"xor a,a", 0},           // AF
    {"or a,b", 0},            // B0
    {"or a,c", 0},            // B1
    {"or a,d", 0},            // B2
    {"or a,e", 0},            // B3
    {"or a,h", 0},            // B4
    {"or a,l", 0},            // B5
    {"or a,[hl]", 0},         // B6
    {"or a,a", 0},            // B7
    {"cp a,b", 0},            // B8
    {"cp a,c", 0},            // B9
    {"cp a,d", 0},            // BA
    {"cp a,e", 0},            // BB
    {"cp a,h", 0},            // BC
    {"cp a,l", 0},            // BD
    {"cp a,[hl]", 0},         // BE
    {"cp a,a", 0},            // BF
    {"ret nz", 0},            // C0
    {"pop bc", 0},            // C1
    {"jp nz,?", 2},           // C2
    {"jp ?", 2},              // C3
    {"call nz,?", 2},         // C4
    {"push bc", 0},           // C5
    {"add a,?", 1},           // C6
    {"rst $0", 0},            // C7
    {"ret z", 0},             // C8
    {"ret", 0},               // C9
    {"jp z,?", 2},            // CA
    {"-", 0},                 // CB
    {"call z,?", 2},          // CC
    {"call ?", 2},            // CD
    {"adc a,?", 1},           // CE
    {"rst $8", 0},            // CF
    {"ret nc", 0},            // D0
    {"pop de", 0},            // D1
    {"jp nc,?", 2},           // D2
    {"-", 0},                 // D3
    {"call nc,?", 2},         // D4
    {"push de", 0},           // D5
    {"sub a,?", 1},           // D6
    {"rst $10", 0},           // D7
    {"ret c", 0},             // D8
    {"reti", 0},              // D9
    {"jp c,?", 2},            // DA
    {"-", 0},                 // DB
    {"call c,?", 2},          // DC
    {"-", 0},                 // DD
    {"sbc a,?", 1},           // DE
    {"rst $18", 0},           // DF
    {"ld [$FF00 + ?],a", 1},  // E0
    {"pop hl", 0},            // E1
    {"ld [$FF00 + c],a", 0},  // E2
    {"-", 0},                 // E3
    {"-", 0},                 // E4
    {"push hl", 0},           // E5
    {"and a,?", 1},           // E6
    {"rst $20", 0},           // E7
    {"add sp,?", 8},          // E8
    {"jp hl", 0},             // E9
    {"ld [?],a", 2},          // EA
    {"-", 0},                 // EB
    {"-", 0},                 // EC
    {"-", 0},                 // ED
    {"xor ?", 1},             // EE
    {"rst $28", 0},           // EF
    {"ld a,[$FF00 + ?]", 1},  // F0
    {"pop af", 0},            // F1
    {"ld a,[$FF00 + c]", 0},  // F2
    {"di", 0},                // F3
    {"-", 0},                 // F4
    {"push af", 0},           // F5
    {"or a,?", 1},            // F6
    {"rst $30", 0},           // F7
    {"ld hl,sp + ?", 1},      // F8
    {"ld sp,hl", 0},          // F9
    {"ld a,[?]", 2},          // FA
    {"ei", 0},                // FB
    {"-", 0},                 // FC
    {"-", 0},                 // FD
    {"cp a,?", 1},            // FE
    {"rst $38", 0},           // FF
    {"rlc b", 0},             // CB 00
    {"rlc c", 0},             // CB 01
    {"rlc d", 0},             // CB 02
    {"rlc e", 0},             // CB 03
    {"rlc h", 0},             // CB 04
    {"rlc l", 0},             // CB 05
    {"rlc [hl]", 0},          // CB 06
    {"rlc a", 0},             // CB 07
    {"rrc b", 0},             // CB 08
    {"rrc c", 0},             // CB 09
    {"rrc d", 0},             // CB 0A
    {"rrc e", 0},             // CB 0B
    {"rrc h", 0},             // CB 0C
    {"rrc l", 0},             // CB 0D
    {"rrc [hl]", 0},          // CB 0E
    {"rrc a", 0},             // CB 0F
    {"rl b", 0},              // CB 10
    {"rl c", 0},              // CB 11
    {"rl d", 0},              // CB 12
    {"rl e", 0},              // CB 13
    {"rl h", 0},              // CB 14
    {"rl l", 0},              // CB 15
    {"rl [hl]", 0},           // CB 16
    {"rl a", 0},              // CB 17
    {"rr b", 0},              // CB 18
    {"rr c", 0},              // CB 19
    {"rr d", 0},              // CB 1A
    {"rr e", 0},              // CB 1B
    {"rr h", 0},              // CB 1C
    {"rr l", 0},              // CB 1D
    {"rr [hl]", 0},           // CB 1E
    {"rr a", 0},              // CB 1F
    {"sla b", 0},             // CB 20
    {"sla c", 0},             // CB 21
    {"sla d", 0},             // CB 22
    {"sla e", 0},             // CB 23
    {"sla h", 0},             // CB 24
    {"sla l", 0},             // CB 25
    {"sla [hl]", 0},          // CB 26
    {"sla a", 0},             // CB 27
    {"sra b", 0},             // CB 28
    {"sra c", 0},             // CB 29
    {"sra d", 0},             // CB 2A
    {"sra e", 0},             // CB 2B
    {"sra h", 0},             // CB 2C
    {"sra l", 0},             // CB 2D
    {"sra [hl]", 0},          // CB 2E
    {"sra a", 0},             // CB 2F
    {"swap b", 0},            // CB 30
    {"swap c", 0},            // CB 31
    {"swap d", 0},            // CB 32
    {"swap e", 0},            // CB 33
    {"swap h", 0},            // CB 34
    {"swap l", 0},            // CB 35
    {"swap [hl]", 0},         // CB 36
    {"swap a", 0},            // CB 37
    {"srl b", 0},             // CB 38
    {"srl c", 0},             // CB 39
    {"srl d", 0},             // CB 3A
    {"srl e", 0},             // CB 3B
    {"srl h", 0},             // CB 3C
    {"srl l", 0},             // CB 3D
    {"srl [hl]", 0},          // CB 3E
    {"srl a", 0},             // CB 3F
    {"bit 0,b", 0},           // CB 40
    {"bit 0,c", 0},           // CB 41
    {"bit 0,d", 0},           // CB 42
    {"bit 0,e", 0},           // CB 43
    {"bit 0,h", 0},           // CB 44
    {"bit 0,l", 0},           // CB 45
    {"bit 0,[hl]", 0},        // CB 46
    {"bit 0,a", 0},           // CB 47
    {"bit 1,b", 0},           // CB 48
    {"bit 1,c", 0},           // CB 49
    {"bit 1,d", 0},           // CB 4A
    {"bit 1,e", 0},           // CB 4B
    {"bit 1,h", 0},           // CB 4C
    {"bit 1,l", 0},           // CB 4D
    {"bit 1,[hl]", 0},        // CB 4E
    {"bit 1,a", 0},           // CB 4F
    {"bit 2,b", 0},           // CB 50
    {"bit 2,c", 0},           // CB 51
    {"bit 2,d", 0},           // CB 52
    {"bit 2,e", 0},           // CB 53
    {"bit 2,h", 0},           // CB 54
    {"bit 2,l", 0},           // CB 55
    {"bit 2,[hl]", 0},        // CB 56
    {"bit 2,a", 0},           // CB 57
    {"bit 3,b", 0},           // CB 58
    {"bit 3,c", 0},           // CB 59
    {"bit 3,d", 0},           // CB 5A
    {"bit 3,e", 0},           // CB 5B
    {"bit 3,h", 0},           // CB 5C
    {"bit 3,l", 0},           // CB 5D
    {"bit 3,[hl]", 0},        // CB 5E
    {"bit 3,a", 0},           // CB 5F
    {"bit 4,b", 0},           // CB 60
    {"bit 4,c", 0},           // CB 61
    {"bit 4,d", 0},           // CB 62
    {"bit 4,e", 0},           // CB 63
    {"bit 4,h", 0},           // CB 64
    {"bit 4,l", 0},           // CB 65
    {"bit 4,[hl]", 0},        // CB 66
    {"bit 4,a", 0},           // CB 67
    {"bit 5,b", 0},           // CB 68
    {"bit 5,c", 0},           // CB 69
    {"bit 5,d", 0},           // CB 6A
    {"bit 5,e", 0},           // CB 6B
    {"bit 5,h", 0},           // CB 6C
    {"bit 5,l", 0},           // CB 6D
    {"bit 5,[hl]", 0},        // CB 6E
    {"bit 5,a", 0},           // CB 6F
    {"bit 6,b", 0},           // CB 70
    {"bit 6,c", 0},           // CB 71
    {"bit 6,d", 0},           // CB 72
    {"bit 6,e", 0},           // CB 73
    {"bit 6,h", 0},           // CB 74
    {"bit 6,l", 0},           // CB 75
    {"bit 6,[hl]", 0},        // CB 76
    {"bit 6,a", 0},           // CB 77
    {"bit 7,b", 0},           // CB 78
    {"bit 7,c", 0},           // CB 79
    {"bit 7,d", 0},           // CB 7A
    {"bit 7,e", 0},           // CB 7B
    {"bit 7,h", 0},           // CB 7C
    {"bit 7,l", 0},           // CB 7D
    {"bit 7,[hl]", 0},        // CB 7E
    {"bit 7,a", 0},           // CB 7F
    {"res 0,b", 0},           // CB 80
    {"res 0,c", 0},           // CB 81
    {"res 0,d", 0},           // CB 82
    {"res 0,e", 0},           // CB 83
    {"res 0,h", 0},           // CB 84
    {"res 0,l", 0},           // CB 85
    {"res 0,[hl]", 0},        // CB 86
    {"res 0,a", 0},           // CB 87
    {"res 1,b", 0},           // CB 88
    {"res 1,c", 0},           // CB 89
    {"res 1,d", 0},           // CB 8A
    {"res 1,e", 0},           // CB 8B
    {"res 1,h", 0},           // CB 8C
    {"res 1,l", 0},           // CB 8D
    {"res 1,[hl]", 0},        // CB 8E
    {"res 1,a", 0},           // CB 8F
    {"res 2,b", 0},           // CB 90
    {"res 2,c", 0},           // CB 91
    {"res 2,d", 0},           // CB 92
    {"res 2,e", 0},           // CB 93
    {"res 2,h", 0},           // CB 94
    {"res 2,l", 0},           // CB 95
    {"res 2,[hl]", 0},        // CB 96
    {"res 2,a", 0},           // CB 97
    {"res 3,b", 0},           // CB 98
    {"res 3,c", 0},           // CB 99
    {"res 3,d", 0},           // CB 9A
    {"res 3,e", 0},           // CB 9B
    {"res 3,h", 0},           // CB 9C
    {"res 3,l", 0},           // CB 9D
    {"res 3,[hl]", 0},        // CB 9E
    {"res 3,a", 0},           // CB 9F
    {"res 4,b", 0},           // CB A0
    {"res 4,c", 0},           // CB A1
    {"res 4,d", 0},           // CB A2
    {"res 4,e", 0},           // CB A3
    {"res 4,h", 0},           // CB A4
    {"res 4,l", 0},           // CB A5
    {"res 4,[hl]", 0},        // CB A6
    {"res 4,a", 0},           // CB A7
    {"res 5,b", 0},           // CB A8
    {"res 5,c", 0},           // CB A9
    {"res 5,d", 0},           // CB AA
    {"res 5,e", 0},           // CB AB
    {"res 5,h", 0},           // CB AC
    {"res 5,l", 0},           // CB AD
    {"res 5,[hl]", 0},        // CB AE
    {"res 5,a", 0},           // CB AF
    {"res 6,b", 0},           // CB B0
    {"res 6,c", 0},           // CB B1
    {"res 6,d", 0},           // CB B2
    {"res 6,e", 0},           // CB B3
    {"res 6,h", 0},           // CB B4
    {"res 6,l", 0},           // CB B5
    {"res 6,[hl]", 0},        // CB B6
    {"res 6,a", 0},           // CB B7
    {"res 7,b", 0},           // CB B8
    {"res 7,c", 0},           // CB B9
    {"res 7,d", 0},           // CB BA
    {"res 7,e", 0},           // CB BB
    {"res 7,h", 0},           // CB BC
    {"res 7,l", 0},           // CB BD
    {"res 7,[hl]", 0},        // CB BE
    {"res 7,a", 0},           // CB BF
    {"set 0,b", 0},           // CB C0
    {"set 0,c", 0},           // CB C1
    {"set 0,d", 0},           // CB C2
    {"set 0,e", 0},           // CB C3
    {"set 0,h", 0},           // CB C4
    {"set 0,l", 0},           // CB C5
    {"set 0,[hl]", 0},        // CB C6
    {"set 0,a", 0},           // CB C7
    {"set 1,b", 0},           // CB C8
    {"set 1,c", 0},           // CB C9
    {"set 1,d", 0},           // CB CA
    {"set 1,e", 0},           // CB CB
    {"set 1,h", 0},           // CB CC
    {"set 1,l", 0},           // CB CD
    {"set 1,[hl]", 0},        // CB CE
    {"set 1,a", 0},           // CB CF
    {"set 2,b", 0},           // CB D0
    {"set 2,c", 0},           // CB D1
    {"set 2,d", 0},           // CB D2
    {"set 2,e", 0},           // CB D3
    {"set 2,h", 0},           // CB D4
    {"set 2,l", 0},           // CB D5
    {"set 2,[hl]", 0},        // CB D6
    {"set 2,a", 0},           // CB D7
    {"set 3,b", 0},           // CB D8
    {"set 3,c", 0},           // CB D9
    {"set 3,d", 0},           // CB DA
    {"set 3,e", 0},           // CB DB
    {"set 3,h", 0},           // CB DC
    {"set 3,l", 0},           // CB DD
    {"set 3,[hl]", 0},        // CB DE
    {"set 3,a", 0},           // CB DF
    {"set 4,b", 0},           // CB E0
    {"set 4,c", 0},           // CB E1
    {"set 4,d", 0},           // CB E2
    {"set 4,e", 0},           // CB E3
    {"set 4,h", 0},           // CB E4
    {"set 4,l", 0},           // CB E5
    {"set 4,[hl]", 0},        // CB E6
    {"set 4,a", 0},           // CB E7
    {"set 5,b", 0},           // CB E8
    {"set 5,c", 0},           // CB E9
    {"set 5,d", 0},           // CB EA
    {"set 5,e", 0},           // CB EB
    {"set 5,h", 0},           // CB EC
    {"set 5,l", 0},           // CB ED
    {"set 5,[hl]", 0},        // CB EE
    {"set 5,a", 0},           // CB EF
    {"set 6,b", 0},           // CB F0
    {"set 6,c", 0},           // CB F1
    {"set 6,d", 0},           // CB F2
    {"set 6,e", 0},           // CB F3
    {"set 6,h", 0},           // CB F4
    {"set 6,l", 0},           // CB F5
    {"set 6,[hl]", 0},        // CB F6
    {"set 6,a", 0},           // CB F7
    {"set 7,b", 0},           // CB F8
    {"set 7,c", 0},           // CB F9
    {"set 7,d", 0},           // CB FA
    {"set 7,e", 0},           // CB FB
    {"set 7,h", 0},           // CB FC
    {"set 7,l", 0},           // CB FD
    {"set 7,[hl]", 0},        // CB FE
    {"set 7,a", 0},           // CB FF
}};

// The assembler's variant follows entry by entry: "?" becomes the placeholder of the kind, and the
// kind its byte code. The texts are built once, at compile time, into fixed storage.
constexpr size_t kMaxTemplate = 20;

struct AsmTexts {
  std::array<std::array<char, kMaxTemplate>, 512> text{};
  std::array<uint8_t, 512> size{};
};

constexpr uint8_t AsmKind(uint8_t disasmKind) {
  switch (disasmKind) {
    case kOperandByte:
      return kAsmByte;
    case kOperandWord:
      return kAsmWord;
    case kOperandRelative:
      return kAsmRelative;
    case kOperandSigned:
      return kAsmSigned;
    case kOperandStop:
      return kAsmStop;
    default:
      return kAsmNone;
  }
}

constexpr std::string_view Placeholder(uint8_t disasmKind) {
  switch (disasmKind) {
    case kOperandByte:
      return "##";
    case kOperandSigned:
      return "###";
    default:
      return "####";  // a word, or the absolute target of a relative jump
  }
}

constexpr AsmTexts MakeAsmTexts() {
  AsmTexts out;
  for (size_t i = 0; i < 512; ++i) {
    size_t n = 0;
    for (char c : kDisasm[i].Template) {
      if (c == '?') {
        for (char p : Placeholder(kDisasm[i].Kind)) out.text[i][n++] = p;
      } else {
        out.text[i][n++] = c;
      }
    }
    out.size[i] = static_cast<uint8_t>(n);
  }
  return out;
}

constexpr AsmTexts kAsmTexts = MakeAsmTexts();

constexpr InstructionTable MakeAsmTable() {
  InstructionTable table{};
  for (size_t i = 0; i < 512; ++i) {
    table[i] = {std::string_view(kAsmTexts.text[i].data(), kAsmTexts.size[i]),
                AsmKind(kDisasm[i].Kind)};
  }
  return table;
}

}  // namespace

const InstructionTable DisasmTable = kDisasm;
const InstructionTable AsmTable = MakeAsmTable();
