#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

// The component tree: a component may have an owner, which frees it. An owner
// frees its components in the reverse order of their creation, so later
// components (which may refer to earlier ones) go first.
class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr) : owner_(owner) {
    if (owner_) owner_->components_.push_back(this);
  }
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  virtual ~TComponent() {
    DestroyComponents();
    if (owner_) owner_->Remove(this);
  }

  TComponent* Owner() const { return owner_; }
  const std::vector<TComponent*>& Components() const { return components_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }

  std::string Name;

  // The stored description is being read: property writes only store values
  // until Loaded runs.
  bool Loading() const { return loading_; }
  // Never true in the running program; kept so the rules that depend on it
  // can be exercised.
  bool Designing() const { return designing_; }
  void SetDesigning(bool on) { designing_ = on; }

  // Marks the start of loading the stored settings (the owner's and each
  // component's properties); EndLoading calls Loaded on every component.
  void BeginLoading() {
    loading_ = true;
    for (TComponent* c : components_) c->BeginLoading();
  }
  void EndLoading() {
    for (TComponent* c : components_) c->EndLoading();
    if (loading_) {
      loading_ = false;
      Loaded();
    }
  }

  // Frees every owned component, last created first.
  void DestroyComponents() {
    while (!components_.empty()) {
      TComponent* c = components_.back();
      delete c;  // its destructor removes it from this list
    }
  }

  // The first owner of the given type, walking up from this component.
  template <class T>
  T* FindOwner() const {
    for (TComponent* o = owner_; o; o = o->owner_)
      if (auto* t = dynamic_cast<T*>(o)) return t;
    return nullptr;
  }

 protected:
  // After the stored settings have been applied.
  virtual void Loaded() {}

 private:
  void Remove(TComponent* c) {
    auto it = std::find(components_.begin(), components_.end(), c);
    if (it != components_.end()) components_.erase(it);
  }

  TComponent* owner_;
  std::vector<TComponent*> components_;
  bool loading_ = false;
  bool designing_ = false;
};
