#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace vkr::testing {

// An in-memory registry with the 32-bit and 64-bit views kept apart. Keys and value names are
// case-insensitive (A to Z). Tracks open keys so that tests can assert every key was closed.
class FakeRegistry : public Registry {
 public:
  enum class View { k32, k64 };

  long OpenKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) override;
  long CreateKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) override;
  long QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                  std::vector<std::uint8_t>* data) override;
  long SetValue(RegKey key, const std::u16string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) override;
  long DeleteValue(RegKey key, const std::u16string& name) override;
  long DeleteTree(RegKey key, const std::u16string& subkey) override;
  long EnumKey(RegKey key, std::uint32_t index, std::u16string* name) override;
  long EnumValue(RegKey key, std::uint32_t index, std::u16string* name) override;
  void CloseKey(RegKey key) override;

  // Test set-up and inspection, by root (win::HKEY_*), path ("A\B\C") and view.
  void PutKey(RegKey root, const std::u16string& path, View view = View::k32);
  void PutValue(RegKey root, const std::u16string& path, const std::u16string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data, View view = View::k32);
  void PutString(RegKey root, const std::u16string& path, const std::u16string& name, const std::u16string& value,
                 View view = View::k32);
  void PutDword(RegKey root, const std::u16string& path, const std::u16string& name, std::uint32_t value,
                View view = View::k32);
  bool HasKey(RegKey root, const std::u16string& path, View view = View::k32) const;
  bool HasValue(RegKey root, const std::u16string& path, const std::u16string& name, View view = View::k32) const;
  // The value's data as a text (UTF-16LE, up to the first zero); empty when absent.
  std::u16string GetString(RegKey root, const std::u16string& path, const std::u16string& name,
                           View view = View::k32) const;
  // Opening this key with any access bit outside `allowed` fails with ERROR_ACCESS_DENIED.
  void RestrictAccess(RegKey root, const std::u16string& path, std::uint32_t allowed, View view = View::k32);

  int open_keys() const { return static_cast<int>(open_.size()); }
  // Every OpenKey/CreateKey call: the full path as asked and the access mask.
  struct Request {
    std::u16string path;
    std::uint32_t access;
    bool create;
  };
  std::vector<Request> requests;

 private:
  struct Value {
    std::u16string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };
  struct Node {
    std::u16string name;
    std::map<std::u16string, std::unique_ptr<Node>> children;  // by lower-cased name
    std::map<std::u16string, Value> values;                    // by lower-cased name
    std::vector<std::u16string> child_order;                   // lower-cased, in creation order
    std::vector<std::u16string> value_order;
    bool restricted = false;
    std::uint32_t allowed = 0;
  };
  struct Open {
    Node* node;
    View view;
    std::u16string path;
  };

  Node* Root(RegKey root, View view);
  const Node* FindConst(RegKey root, const std::u16string& path, View view) const;
  bool Resolve(RegKey key, Node** node, View* view, std::u16string* path);
  static View ViewOf(std::uint32_t access, View inherited);
  long OpenOrCreate(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out, bool create);
  Node* Walk(Node* start, const std::u16string& path, bool create);

  std::map<std::pair<RegKey, int>, std::unique_ptr<Node>> roots_;
  std::map<RegKey, Open> open_;
  RegKey next_ = 1;
};

}  // namespace vkr::testing
