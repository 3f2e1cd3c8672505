// Names of layers, linetypes and blocks as the records carry them: shared,
// immutable strings behind a pointer-sized handle. A drawing repeats a few
// dozen names over millions of records; a record then holds three handles
// instead of three strings, and copying it (as block expansion does a
// million times) copies no characters and allocates nothing. A name reads
// as the std::u16string it holds, and compares by content, exactly and
// case-sensitively, so callers and first-wins lookups see the same values.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vantrel {

class SharedName {
 public:
  // The empty name.
  SharedName() noexcept;
  SharedName(const std::u16string& text);
  SharedName(std::u16string&& text);
  SharedName(std::u16string_view text);
  SharedName(const char16_t* text);

  SharedName(const SharedName& other) noexcept : node_(other.node_) { Retain(); }
  SharedName(SharedName&& other) noexcept;
  SharedName& operator=(const SharedName& other) noexcept;
  SharedName& operator=(SharedName&& other) noexcept;
  ~SharedName() { Release(); }

  const std::u16string& str() const noexcept { return node_->text; }
  operator const std::u16string&() const noexcept { return node_->text; }

  bool empty() const noexcept { return node_->text.empty(); }
  std::size_t size() const noexcept { return node_->text.size(); }
  const char16_t* data() const noexcept { return node_->text.data(); }
  const char16_t* c_str() const noexcept { return node_->text.c_str(); }
  char16_t operator[](std::size_t i) const noexcept { return node_->text[i]; }
  std::u16string::const_iterator begin() const noexcept { return node_->text.begin(); }
  std::u16string::const_iterator end() const noexcept { return node_->text.end(); }
  // The empty name again.
  void clear() noexcept;

  // The same text behind both handles; with names of one reading, the same
  // text is the same handle, so this is a pointer comparison there.
  friend bool operator==(const SharedName& a, const SharedName& b) noexcept {
    return a.node_ == b.node_ || a.node_->text == b.node_->text;
  }
  friend bool operator==(const SharedName& a, const std::u16string& b) noexcept {
    return a.node_->text == b;
  }
  friend bool operator==(const SharedName& a, std::u16string_view b) noexcept {
    return std::u16string_view(a.node_->text) == b;
  }
  friend bool operator==(const SharedName& a, const char16_t* b) noexcept {
    return a.node_->text == b;
  }
  friend auto operator<=>(const SharedName& a, const SharedName& b) noexcept {
    return a.node_->text <=> b.node_->text;
  }

  // True when both handles share one text (a cheaper test than ==, which it
  // implies).
  bool SameHandle(const SharedName& other) const noexcept { return node_ == other.node_; }

 private:
  struct Node {
    std::atomic<std::uint32_t> refs;
    bool immortal;  // never counted, never freed
    std::u16string text;
  };

  // The empty name (first), "0", "BYLAYER" and "CONTINUOUS": the record
  // defaults, shared by every drawing and thread without counting.
  static constexpr int kCommonCount = 4;
  static const Node* const* CommonNodes() noexcept;
  // The common node of that text, or null.
  static const Node* Common(std::u16string_view text) noexcept;
  static Node* Make(std::u16string&& text);

  void Retain() const noexcept {
    if (!node_->immortal) const_cast<Node*>(node_)->refs.fetch_add(1, std::memory_order_relaxed);
  }
  void Release() noexcept {
    if (!node_->immortal && const_cast<Node*>(node_)->refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
      delete node_;
  }

  const Node* node_;
};

}  // namespace vantrel

template <>
struct std::hash<vantrel::SharedName> {
  std::size_t operator()(const vantrel::SharedName& n) const noexcept {
    return std::hash<std::u16string>()(n.str());
  }
};
