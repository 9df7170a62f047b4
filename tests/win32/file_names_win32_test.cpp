// File names upper-cased the way the file system compares them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/text.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/wide.h"

namespace vkr::win32 {
namespace {

TEST(Win32FileNamesTest, UpperCasesAsTheFileSystemComparesNames) {
  Win32Files files;
  EXPECT_EQ(files.UpperCaseFileName(u""), u"");
  EXPECT_EQ(files.UpperCaseFileName(u"c:\\program files\\vkr.exe"), u"C:\\PROGRAM FILES\\VKR.EXE");
  EXPECT_EQ(files.UpperCaseFileName(u"d:\\médias\\документы\\ελένη"), u"D:\\MÉDIAS\\ДОКУМЕНТЫ\\ΕΛΈΝΗ");
  // Unit for unit: "ß" has no one-unit capital, "ÿ" has one outside Latin-1; other scripts stay.
  EXPECT_EQ(files.UpperCaseFileName(u"straße ÿ 游戏"), u"STRAßE Ÿ 游戏");
  // Names the system takes for equal ignoring case are equal upper-cased, and only those.
  const std::u16string pairs[][2] = {
      {u"Документы", u"ДОКУМЕНТЫ"}, {u"Café", u"CAFÉ"}, {u"Café", u"Cafe"}, {u"vkr", u"VKR"}, {u"ß", u"SS"}};
  for (const auto& pair : pairs) {
    const bool same = ::CompareStringOrdinal(Wide(pair[0]), -1, Wide(pair[1]), -1, TRUE) == CSTR_EQUAL;
    EXPECT_EQ(files.UpperCaseFileName(pair[0]) == files.UpperCaseFileName(pair[1]), same) << ToUtf8(pair[0]);
  }
}

TEST(Win32FileNamesTest, LowerCasesWithTheSystemsUnicodeTable) {
  Win32Files files;
  const std::u16string cases[][2] = {
      {u"", u""},
      {u"C:\\WX\\CLSMN.EXE", u"c:\\wx\\clsmn.exe"},
      {u"D:\\MÉDIAS\\ДОКУМЕНТЫ\\ΕΛΈΝΗ", u"d:\\médias\\документы\\ελένη"},
      // The file system's table, not a language's: the dotted capital I and the Kelvin sign are
      // no I and no K to it; other scripts stay.
      {u"HEİCLENT.EXE \u212A 游戏", u"heİclent.exe \u212A 游戏"},
  };
  for (const auto& entry : cases) {
    EXPECT_EQ(files.LowerCaseFileName(entry[0]), entry[1]) << ToUtf8(entry[0]);
  }
  // Unit for unit, as the system's own lower-casing of the same text.
  std::u16string text = u"BarClientView.EXE ÀÉÎÕÜ Ѐ";
  std::wstring system(text.begin(), text.end());
  ::CharLowerBuffW(system.data(), static_cast<DWORD>(system.size()));
  EXPECT_EQ(files.LowerCaseFileName(text), std::u16string(system.begin(), system.end()));
}

}  // namespace
}  // namespace vkr::win32
