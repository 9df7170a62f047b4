#include "sysinfo/os_description.h"

#include "common/text.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

bool HasSuite(const OsVersionRecord& record, std::uint16_t suite) { return (record.suite_mask & suite) != 0; }

bool IsWorkstation(const OsVersionRecord& record) { return record.product_type == win::VER_NT_WORKSTATION; }

void Append(std::u16string* text, const std::u16string& part) {
  if (part.empty()) return;
  *text += u" ";
  *text += part;
}

// The service-pack text as one part: runs of blanks as one, none at either end, so that an odd
// text cannot double the blank between the parts.
std::u16string SquashBlanks(const std::u16string& text) {
  std::u16string squashed;
  for (const char16_t c : text) {
    if (c == u' ' && (squashed.empty() || squashed.back() == u' ')) continue;
    squashed.push_back(c);
  }
  if (!squashed.empty() && squashed.back() == u' ') squashed.pop_back();
  return squashed;
}

std::u16string ArchitectureName(std::uint16_t architecture) {
  switch (architecture) {
    case win::PROCESSOR_ARCHITECTURE_INTEL:
      return u"X86";
    case win::PROCESSOR_ARCHITECTURE_IA64:
      return u"IA64";
    case win::PROCESSOR_ARCHITECTURE_AMD64:
      return u"X64";
    default:
      return std::u16string();
  }
}

}  // namespace

bool UsesProductCode(const OsVersionRecord& record) {
  return record.major == 6 && (record.minor == 0 || record.minor == 1);
}

std::u16string ProductEdition(std::uint32_t product_type) {
  switch (product_type) {
    case 1:
    case 28:
    case 71:
      return u"Ultimate Edition";
    case 2:
    case 5:
    case 67:
      return u"Home Basic Edition";
    case 3:
    case 26:
    case 68:
      return u"Home Premium Edition";
    case 4:
    case 10:
    case 14:
    case 15:
    case 27:
    case 38:
    case 41:
    case 70:
      return u"Enterprise Edition";
    case 6:
    case 16:
      return u"Business Edition";
    case 7:
    case 13:
    case 36:
      return u"Standard Edition";
    case 8:
    case 12:
    case 37:
    case 39:
      return u"Datacenter Edition";
    case 9:
    case 24:
    case 35:
      return u"Small Business Server";
    case 11:
    case 47:
    case 66:
      return u"Starter Edition";
    case 17:
    case 29:
      return u"Web Edition";
    case 20:
    case 21:
    case 22:
    case 23:
      return u"Storage Server";
    case 48:
    case 49:
    case 69:
      return u"Professional Edition";
    default:
      return std::u16string();
  }
}

std::u16string DescribeOS(const OsVersionRecord& record, std::optional<std::uint32_t> product_type,
                          std::uint16_t processor_architecture) {
  std::u16string text;
  std::u16string edition;
  if (record.major == 5 && record.minor == 0) {
    text = u"Windows 2000";
    if (IsWorkstation(record)) {
      edition = u"Professional";
    } else if (HasSuite(record, win::VER_SUITE_DATACENTER)) {
      edition = u"DataCenter Server";
    } else if (HasSuite(record, win::VER_SUITE_ENTERPRISE)) {
      edition = u"Advanced Server";
    } else {
      edition = u"Server";
    }
  } else if (record.major == 5 && record.minor == 1) {
    text = u"Windows XP";
    if (IsWorkstation(record) && HasSuite(record, win::VER_SUITE_PERSONAL)) {
      edition = u"Home Edition";
    } else if (IsWorkstation(record)) {
      edition = u"Professional";
    } else {
      edition = u"Server";
    }
  } else if (record.major == 5 && record.minor == 2) {
    text = u"Windows Server 2003";
    if (HasSuite(record, win::VER_SUITE_DATACENTER)) {
      edition = u"DataCenter Edition";
    } else if (HasSuite(record, win::VER_SUITE_ENTERPRISE)) {
      edition = u"Enterprise Edition";
    } else if (HasSuite(record, win::VER_SUITE_BLADE)) {
      edition = u"Web Edition";
    } else if (HasSuite(record, win::VER_SUITE_SMALLBUSINESS)) {
      edition = u"Small Business Edition";
    } else if (HasSuite(record, win::VER_SUITE_WH_SERVER)) {
      edition = u"Home Server";
    } else {
      edition = u"Standard Edition";
    }
  } else if (UsesProductCode(record)) {
    if (record.minor == 0) {
      text = IsWorkstation(record) ? u"Windows Vista" : u"Windows Server 2008";
    } else {
      text = IsWorkstation(record) ? u"Windows 7" : u"Windows Server 2008 R2";
    }
    if (product_type) edition = ProductEdition(*product_type);
  } else {
    return u"Unknown OS";
  }
  Append(&text, edition);
  Append(&text, SquashBlanks(record.csd_version));
  Append(&text, ArchitectureName(processor_architecture));
  return text;
}

namespace {

// The value part of an os-release line after "KEY=", or nullopt for an unterminated quotation.
std::optional<std::string> UnquoteOsReleaseValue(const std::string& raw) {
  if (raw.empty() || (raw[0] != '"' && raw[0] != '\'')) return raw;
  const char quote = raw[0];
  std::string value;
  for (std::size_t i = 1; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == quote) return value;
    if (quote == '"' && c == '\\' && i + 1 < raw.size() &&
        (raw[i + 1] == '"' || raw[i + 1] == '\\' || raw[i + 1] == '$' || raw[i + 1] == '`')) {
      value += raw[++i];
      continue;
    }
    value += c;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::u16string> OsReleaseValue(const std::string& text, const std::string& key) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    std::size_t first = 0;
    while (first < line.size() && (line[first] == ' ' || line[first] == '\t')) ++first;
    if (line.compare(first, key.size(), key) != 0 || line.size() <= first + key.size() ||
        line[first + key.size()] != '=') {
      continue;
    }
    const std::optional<std::string> value = UnquoteOsReleaseValue(line.substr(first + key.size() + 1));
    if (!value) return std::nullopt;
    std::u16string clean;
    for (const char16_t c : FromUtf8(*value)) {
      if (c >= 0x20 && c != 0x7F) clean += c;
    }
    return clean;
  }
  return std::nullopt;
}

std::u16string DescribeOsRelease(const std::string& text, std::uint16_t processor_architecture) {
  std::u16string description = SquashBlanks(OsReleaseValue(text, "PRETTY_NAME").value_or(u""));
  if (description.empty()) {
    description = SquashBlanks(OsReleaseValue(text, "NAME").value_or(u""));
    if (!description.empty()) Append(&description, SquashBlanks(OsReleaseValue(text, "VERSION").value_or(u"")));
  }
  if (description.empty()) description = u"Linux";
  Append(&description, ArchitectureName(processor_architecture));
  return description;
}

}  // namespace vkr
