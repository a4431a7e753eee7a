#include "gfx/hash_collection.h"

#include <string>

namespace {
// Names are compared byte by byte; only ASCII letters change case, so the hash
// and the comparison always agree.
unsigned char Lower(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(static_cast<unsigned char>(a[i])) != Lower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}
}  // namespace

THashCollectionItem::THashCollectionItem(THashCollection* collection) : collection_(collection) {
  index_ = static_cast<int>(collection_->items_.size());
  collection_->items_.push_back(this);
  Chain();
}

THashCollectionItem::~THashCollectionItem() {
  if (!collection_) return;
  Unchain();
  auto& items = collection_->items_;
  items.erase(items.begin() + index_);
  for (std::size_t i = static_cast<std::size_t>(index_); i < items.size(); ++i)
    items[i]->index_ = static_cast<int>(i);
}

void THashCollectionItem::SetName(const std::string& name) {
  if (name == name_) return;
  Unchain();
  name_ = name;
  Chain();
}

void THashCollectionItem::SetIndex(int index) {
  auto& items = collection_->items_;
  if (index < 0) index = 0;
  if (index >= static_cast<int>(items.size())) index = static_cast<int>(items.size()) - 1;
  if (index == index_) return;
  items.erase(items.begin() + index_);
  items.insert(items.begin() + index, this);
  for (std::size_t i = 0; i < items.size(); ++i) items[i]->index_ = static_cast<int>(i);
}

void THashCollectionItem::Assign(const THashCollectionItem& source) {
  SetName(source.Name());
}

void THashCollectionItem::Chain() {
  bucket_ = THashCollection::HashName(name_);
  auto& head = collection_->buckets_[static_cast<std::size_t>(bucket_)];
  prev_ = nullptr;
  next_ = head;
  if (head) head->prev_ = this;
  head = this;
}

void THashCollectionItem::Unchain() {
  auto& head = collection_->buckets_[static_cast<std::size_t>(bucket_)];
  if (prev_)
    prev_->next_ = next_;
  else if (head == this)
    head = next_;
  if (next_) next_->prev_ = prev_;
  prev_ = next_ = nullptr;
}

THashCollection::~THashCollection() {
  Clear();
}

THashCollectionItem* THashCollection::GetItem(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[static_cast<std::size_t>(index)];
}

int THashCollection::IndexOf(const std::string& name) const {
  for (const THashCollectionItem* item = buckets_[static_cast<std::size_t>(HashName(name))]; item;
       item = item->next_)
    if (SameTextIgnoringCase(item->name_, name)) return item->index_;
  return -1;
}

void THashCollection::Delete(int index) {
  delete GetItem(index);
}

void THashCollection::Clear() {
  while (!items_.empty()) delete items_.back();
}

int THashCollection::HashName(const std::string& name) {
  const std::size_t n = name.size();
  unsigned h = 16u * static_cast<unsigned>(n);
  if (n >= 2) {
    h += Lower(static_cast<unsigned char>(name[0]));
    h += Lower(static_cast<unsigned char>(name[n - 2]));
  }
  return static_cast<int>(h & 255u);
}
