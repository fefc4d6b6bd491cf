#include "search/History.h"

void History::Record(const Place& left) {
  forward_.clear();
  if (!back_.empty() && back_.back() == left) return;
  back_.push_back(left);
  if (back_.size() > kMaxPlaces) back_.pop_front();
}

std::optional<Place> History::Back(const Place& current) {
  if (back_.empty()) return std::nullopt;
  const Place to = back_.back();
  back_.pop_back();
  forward_.push_back(current);
  return to;
}

std::optional<Place> History::Forward(const Place& current) {
  if (forward_.empty()) return std::nullopt;
  const Place to = forward_.back();
  forward_.pop_back();
  back_.push_back(current);
  return to;
}

void History::Clear() {
  back_.clear();
  forward_.clear();
}
