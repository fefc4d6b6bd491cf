#pragma once
// The pictures and layouts compiled into the windows' static library are registered only when
// someone asks for them: the program and every UI test call this once at start.
void InitResources();
