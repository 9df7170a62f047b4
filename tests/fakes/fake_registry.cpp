#include "fakes/fake_registry.h"

#include <algorithm>

#include "common/text.h"
#include "platform/win_constants.h"

namespace vkr::testing {
namespace {

std::vector<std::u16string> SplitPath(const std::u16string& path) {
  std::vector<std::u16string> parts;
  std::u16string current;
  for (const char16_t c : path) {
    if (c == u'\\') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

bool IsRoot(RegKey key) { return key >= win::HKEY_CLASSES_ROOT && key <= win::HKEY_USERS; }

}  // namespace

FakeRegistry::View FakeRegistry::ViewOf(std::uint32_t access, View inherited) {
  if (access & win::KEY_WOW64_64KEY) return View::k64;
  if (access & win::KEY_WOW64_32KEY) return View::k32;
  return inherited;
}

FakeRegistry::Node* FakeRegistry::Root(RegKey root, View view) {
  auto& node = roots_[{root, static_cast<int>(view)}];
  if (!node) node = std::make_unique<Node>();
  return node.get();
}

FakeRegistry::Node* FakeRegistry::Walk(Node* start, const std::u16string& path, bool create) {
  Node* node = start;
  for (const auto& part : SplitPath(path)) {
    const std::u16string key = LowerAscii(part);
    auto it = node->children.find(key);
    if (it == node->children.end()) {
      if (!create) return nullptr;
      auto child = std::make_unique<Node>();
      child->name = part;
      node->child_order.push_back(key);
      it = node->children.emplace(key, std::move(child)).first;
    }
    node = it->second.get();
  }
  return node;
}

bool FakeRegistry::Resolve(RegKey key, Node** node, View* view, std::u16string* path) {
  if (IsRoot(key)) {
    *node = Root(key, View::k32);
    *view = View::k32;
    *path = u"";
    return true;
  }
  const auto it = open_.find(key);
  if (it == open_.end()) return false;
  *node = it->second.node;
  *view = it->second.view;
  *path = it->second.path;
  return true;
}

long FakeRegistry::OpenOrCreate(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out,
                                bool create) {
  *out = kNoRegKey;
  Node* base = nullptr;
  View view = View::k32;
  std::u16string base_path;
  if (!Resolve(parent, &base, &view, &base_path)) return win::ERROR_INVALID_HANDLE;
  if (IsRoot(parent)) {
    view = ViewOf(access, View::k32);
    base = Root(parent, view);
  }
  const std::u16string full = base_path.empty() ? path : base_path + u"\\" + path;
  requests.push_back({full, access, create});
  Node* node = Walk(base, path, create);
  if (!node) return win::ERROR_FILE_NOT_FOUND;
  const std::uint32_t rights = access & ~(win::KEY_WOW64_32KEY | win::KEY_WOW64_64KEY);
  if (node->restricted && (rights & ~node->allowed) != 0) return win::ERROR_ACCESS_DENIED;
  const RegKey handle = next_++;
  open_[handle] = {node, view, full};
  *out = handle;
  return win::ERROR_SUCCESS;
}

long FakeRegistry::OpenKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) {
  return OpenOrCreate(parent, path, access, out, false);
}

long FakeRegistry::CreateKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) {
  return OpenOrCreate(parent, path, access, out, true);
}

long FakeRegistry::QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                              std::vector<std::uint8_t>* data) {
  Node* node = nullptr;
  View view;
  std::u16string path;
  if (!Resolve(key, &node, &view, &path)) return win::ERROR_INVALID_HANDLE;
  const auto it = node->values.find(LowerAscii(name));
  if (it == node->values.end()) return win::ERROR_FILE_NOT_FOUND;
  *type = it->second.type;
  *data = it->second.data;
  return win::ERROR_SUCCESS;
}

long FakeRegistry::SetValue(RegKey key, const std::u16string& name, std::uint32_t type,
                            const std::vector<std::uint8_t>& data) {
  Node* node = nullptr;
  View view;
  std::u16string path;
  if (!Resolve(key, &node, &view, &path)) return win::ERROR_INVALID_HANDLE;
  const std::u16string lowered = LowerAscii(name);
  if (node->values.find(lowered) == node->values.end()) node->value_order.push_back(lowered);
  node->values[lowered] = {name, type, data};
  return win::ERROR_SUCCESS;
}

long FakeRegistry::DeleteValue(RegKey key, const std::u16string& name) {
  Node* node = nullptr;
  View view;
  std::u16string path;
  if (!Resolve(key, &node, &view, &path)) return win::ERROR_INVALID_HANDLE;
  const std::u16string lowered = LowerAscii(name);
  if (node->values.erase(lowered) == 0) return win::ERROR_FILE_NOT_FOUND;
  node->value_order.erase(std::remove(node->value_order.begin(), node->value_order.end(), lowered),
                          node->value_order.end());
  return win::ERROR_SUCCESS;
}

long FakeRegistry::DeleteTree(RegKey key, const std::u16string& subkey) {
  Node* node = nullptr;
  View view;
  std::u16string path;
  if (!Resolve(key, &node, &view, &path)) return win::ERROR_INVALID_HANDLE;
  const auto parts = SplitPath(subkey);
  if (parts.empty()) return win::ERROR_INVALID_PARAMETER;
  std::u16string parent_path;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) parent_path += parts[i] + u"\\";
  Node* parent = Walk(node, parent_path, false);
  if (!parent) return win::ERROR_FILE_NOT_FOUND;
  const std::u16string last = LowerAscii(parts.back());
  if (parent->children.erase(last) == 0) return win::ERROR_FILE_NOT_FOUND;
  parent->child_order.erase(std::remove(parent->child_order.begin(), parent->child_order.end(), last),
                            parent->child_order.end());
  return win::ERROR_SUCCESS;
}

long FakeRegistry::EnumKey(RegKey key, std::uint32_t index, std::u16string* name) {
  Node* node = nullptr;
  View view;
  std::u16string path;
  if (!Resolve(key, &node, &view, &path)) return win::ERROR_INVALID_HANDLE;
  if (index >= node->child_order.size()) return win::ERROR_NO_MORE_ITEMS;
  *name = node->children[node->child_order[index]]->name;
  return win::ERROR_SUCCESS;
}

long FakeRegistry::EnumValue(RegKey key, std::uint32_t index, std::u16string* name) {
  Node* node = nullptr;
  View view;
  std::u16string path;
  if (!Resolve(key, &node, &view, &path)) return win::ERROR_INVALID_HANDLE;
  if (index >= node->value_order.size()) return win::ERROR_NO_MORE_ITEMS;
  *name = node->values[node->value_order[index]].name;
  return win::ERROR_SUCCESS;
}

void FakeRegistry::CloseKey(RegKey key) { open_.erase(key); }

void FakeRegistry::PutKey(RegKey root, const std::u16string& path, View view) { Walk(Root(root, view), path, true); }

void FakeRegistry::PutValue(RegKey root, const std::u16string& path, const std::u16string& name, std::uint32_t type,
                            const std::vector<std::uint8_t>& data, View view) {
  Node* node = Walk(Root(root, view), path, true);
  const std::u16string lowered = LowerAscii(name);
  if (node->values.find(lowered) == node->values.end()) node->value_order.push_back(lowered);
  node->values[lowered] = {name, type, data};
}

void FakeRegistry::PutString(RegKey root, const std::u16string& path, const std::u16string& name,
                             const std::u16string& value, View view) {
  PutValue(root, path, name, win::REG_SZ, ToUtf16LeBytes(value, true), view);
}

void FakeRegistry::PutDword(RegKey root, const std::u16string& path, const std::u16string& name, std::uint32_t value,
                            View view) {
  PutValue(root, path, name, win::REG_DWORD,
           {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)},
           view);
}

const FakeRegistry::Node* FakeRegistry::FindConst(RegKey root, const std::u16string& path, View view) const {
  const auto it = roots_.find({root, static_cast<int>(view)});
  if (it == roots_.end()) return nullptr;
  const Node* node = it->second.get();
  for (const auto& part : SplitPath(path)) {
    const auto child = node->children.find(LowerAscii(part));
    if (child == node->children.end()) return nullptr;
    node = child->second.get();
  }
  return node;
}

bool FakeRegistry::HasKey(RegKey root, const std::u16string& path, View view) const {
  return FindConst(root, path, view) != nullptr;
}

bool FakeRegistry::HasValue(RegKey root, const std::u16string& path, const std::u16string& name, View view) const {
  const Node* node = FindConst(root, path, view);
  return node && node->values.count(LowerAscii(name)) > 0;
}

std::u16string FakeRegistry::GetString(RegKey root, const std::u16string& path, const std::u16string& name,
                                       View view) const {
  const Node* node = FindConst(root, path, view);
  if (!node) return u"";
  const auto it = node->values.find(LowerAscii(name));
  if (it == node->values.end()) return u"";
  return TextBeforeNul(FromUtf16LeBytes(it->second.data));
}

void FakeRegistry::RestrictAccess(RegKey root, const std::u16string& path, std::uint32_t allowed, View view) {
  Node* node = Walk(Root(root, view), path, true);
  node->restricted = true;
  node->allowed = allowed;
}

}  // namespace vkr::testing
