#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/exception.h"

// The error of an index outside a list.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

class THashCollection;

// An item of an ordered collection that can also be found by name through 256
// hash buckets. The item keeps its own position, so a name look-up ends with
// the index without searching the list.
class THashCollectionItem {
 public:
  // Appends the new item to the collection, which then owns it.
  explicit THashCollectionItem(THashCollection* collection);
  THashCollectionItem(const THashCollectionItem&) = delete;
  THashCollectionItem& operator=(const THashCollectionItem&) = delete;
  // Leaves the collection: unchained, and the items behind move up one place.
  virtual ~THashCollectionItem();

  THashCollection* Collection() const { return collection_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  int Index() const { return index_; }
  // Moves the item to another position.
  void SetIndex(int index);

  // Copies the name of another item; richer items copy more.
  virtual void Assign(const THashCollectionItem& source);

 private:
  friend class THashCollection;
  void Chain();
  void Unchain();

  THashCollection* collection_;
  int bucket_ = 0;
  int index_ = 0;
  std::string name_;
  THashCollectionItem* prev_ = nullptr;
  THashCollectionItem* next_ = nullptr;
};

class THashCollection {
 public:
  THashCollection() = default;
  THashCollection(const THashCollection&) = delete;
  THashCollection& operator=(const THashCollection&) = delete;
  virtual ~THashCollection();

  int Count() const { return static_cast<int>(items_.size()); }
  // The item at a position; outside 0..Count-1 raises "List index out of bounds (%d)".
  THashCollectionItem* GetItem(int index) const;
  // The position of the item with this name ignoring case, or -1. Of two
  // names equal but for case, the one named last wins.
  int IndexOf(const std::string& name) const;
  void Delete(int index);
  void Clear();

  // The bucket of a name: 16 times its length plus the codes of the first and
  // the second-to-last characters of its lower-case form, modulo 256.
  static int HashName(const std::string& name);

 private:
  friend class THashCollectionItem;
  std::vector<THashCollectionItem*> items_;
  std::array<THashCollectionItem*, 256> buckets_{};
};
