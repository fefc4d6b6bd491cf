#pragma once
// The places that the listing's jumps leave, for Back and Forward.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// A place of the listing: where it starts and which line is selected (-1 for none).
struct Place {
  int32_t StartOffset = 0;
  int SelectedLine = 0;
  bool operator==(const Place&) const = default;
};

class History {
 public:
  static constexpr size_t kMaxPlaces = 100;

  // A jump is leaving `left`: it becomes the place Back returns to, and the places that Back
  // had passed are dropped. Beyond kMaxPlaces the oldest place goes. A place equal to the last
  // one recorded is not recorded twice.
  void Record(const Place& left);
  // The place to go back to from `current`, which Forward then returns to; nothing when there
  // is none.
  std::optional<Place> Back(const Place& current);
  // Undoes a Back: the place to go to from `current`; nothing when there is none.
  std::optional<Place> Forward(const Place& current);
  // Forgets every place (a new ROM was loaded).
  void Clear();

  size_t BackCount() const { return back_.size(); }
  size_t ForwardCount() const { return forward_.size(); }

 private:
  std::deque<Place> back_;      // oldest first
  std::vector<Place> forward_;  // the next place last
};
