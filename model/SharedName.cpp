#include "model/SharedName.h"

#include <utility>

namespace vantrel {

const SharedName::Node* const* SharedName::CommonNodes() noexcept {
  // Made on first use, so that a record built during another file's static
  // initialisation still finds them; never destroyed, so that a record
  // destroyed during the program's exit still does.
  static const Node* const kNodes[kCommonCount] = {
      new Node{{0}, true, u""},
      new Node{{0}, true, u"0"},
      new Node{{0}, true, u"BYLAYER"},
      new Node{{0}, true, u"CONTINUOUS"},
  };
  return kNodes;
}

const SharedName::Node* SharedName::Common(std::u16string_view text) noexcept {
  if (text.size() > 10) return nullptr;
  const Node* const* nodes = CommonNodes();
  for (int i = 0; i < kCommonCount; ++i)
    if (nodes[i]->text == text) return nodes[i];
  return nullptr;
}

SharedName::Node* SharedName::Make(std::u16string&& text) {
  return new Node{{1}, false, std::move(text)};
}

SharedName::SharedName() noexcept : node_(CommonNodes()[0]) {}

SharedName::SharedName(std::u16string_view text) : node_(Common(text)) {
  if (node_ == nullptr) node_ = Make(std::u16string(text));
}

SharedName::SharedName(const std::u16string& text) : SharedName(std::u16string_view(text)) {}

SharedName::SharedName(const char16_t* text) : SharedName(std::u16string_view(text)) {}

SharedName::SharedName(std::u16string&& text) : node_(Common(text)) {
  if (node_ == nullptr) node_ = Make(std::move(text));
}

SharedName::SharedName(SharedName&& other) noexcept : node_(other.node_) {
  other.node_ = CommonNodes()[0];
}

SharedName& SharedName::operator=(const SharedName& other) noexcept {
  if (node_ != other.node_) {
    other.Retain();
    Release();
    node_ = other.node_;
  }
  return *this;
}

SharedName& SharedName::operator=(SharedName&& other) noexcept {
  std::swap(node_, other.node_);
  return *this;
}

void SharedName::clear() noexcept {
  Release();
  node_ = CommonNodes()[0];
}

}  // namespace vantrel
