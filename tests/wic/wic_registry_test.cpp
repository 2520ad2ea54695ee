// The registry after regsvr32 and after regsvr32 /u, and the key writer run
// in a key of the test's own, where what it leaves is compared whole.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "picture_filter/wic/win32/registration.h"
#include "tests/wic/wic_client.h"

namespace {

const wchar_t ClassKey[] = L"Software\\Classes\\CLSID\\{97CF0E55-9EC8-4C70-B0F0-F254AEB9A164}";
const wchar_t InstanceKey[] = L"Software\\Classes\\CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}\\Instance\\"
                              L"{97CF0E55-9EC8-4C70-B0F0-F254AEB9A164}";
const wchar_t* const Extensions[] = {L".ipf", L".ipq", L".mcg", L".clm"};
const wchar_t ThumbnailSlot[] = L"\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";
const wchar_t Sandbox[] = L"Software\\FcWicTest";

std::wstring TextValue(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view = 0) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return L"<no key>";
  wchar_t text[1024] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  DWORD type = 0;
  const LONG status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_SZ ? std::wstring(text) : L"<no value>";
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return towlower(c); });
  return text;
}

// Every key and value below `path` as sorted lines of text.
void ListTree(HKEY parent, const std::wstring& path, const std::wstring& prefix, std::vector<std::wstring>* lines) {
  HKEY key;
  if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  lines->push_back(prefix + L"\\");
  wchar_t name[512];
  BYTE data[2048];
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = 512, dataSize = sizeof data, type = 0;
    if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    lines->push_back(prefix + L"=" + std::wstring(name, nameLength) + L":" + std::to_wstring(type) + L":" +
                     std::wstring(reinterpret_cast<wchar_t*>(data), dataSize / sizeof(wchar_t)));
  }
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = 512;
    if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    const std::wstring child(name, nameLength);
    ListTree(key, child, prefix + L"\\" + child, lines);
  }
  RegCloseKey(key);
  std::sort(lines->begin(), lines->end());
}

void PutText(const std::wstring& path, const wchar_t* name, const wchar_t* text) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

} // namespace

// regsvr32 of this width has run: WIC's and Explorer's keys name this codec.
TEST(WicRegistered, RegistryNamesThisCodec) {
  const std::wstring classKey = ClassKey;
  EXPECT_EQ(Lower(TextValue(HKEY_CLASSES_ROOT, classKey.substr(17) + L"\\InprocServer32", nullptr)), Lower(CodecPath()));
  EXPECT_EQ(TextValue(HKEY_LOCAL_MACHINE, classKey + L"\\InprocServer32", L"ThreadingModel"), L"Both");
  EXPECT_EQ(TextValue(HKEY_LOCAL_MACHINE, classKey, L"ContainerFormat"), L"{967F9B3D-DD6D-4FD8-8ED3-81535CC09806}");
  EXPECT_EQ(TextValue(HKEY_LOCAL_MACHINE, classKey, L"FileExtensions"), L".ipf,.ipq,.mcg,.clm");
  EXPECT_EQ(TextValue(HKEY_LOCAL_MACHINE, InstanceKey, L"CLSID"), L"{97CF0E55-9EC8-4C70-B0F0-F254AEB9A164}");
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, classKey + L"\\Patterns\\2", 0));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, classKey + L"\\Formats\\{6FDDC324-4E03-4BFE-B185-3D77768DC904}", 0));
  for (const wchar_t* extension : Extensions) {
    const std::wstring key = std::wstring(L"Software\\Classes\\") + extension;
    EXPECT_EQ(TextValue(HKEY_LOCAL_MACHINE, key, L"PerceivedType"), L"image");
    EXPECT_EQ(TextValue(HKEY_LOCAL_MACHINE, key + ThumbnailSlot, nullptr), L"{C7657C4A-9F68-40fa-A4DF-96BC08EB3551}");
  }
}

// regsvr32 /u of both widths has run: no key of ours in either view, for
// the machine or the user.
TEST(WicUnregistered, NoKeyOfOursIsLeft) {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      EXPECT_FALSE(KeyExists(root, ClassKey, view));
      EXPECT_FALSE(KeyExists(root, InstanceKey, view));
      for (const wchar_t* extension : Extensions) {
        EXPECT_FALSE(KeyExists(root, std::wstring(L"Software\\Classes\\") + extension, view));
      }
    }
  }
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}\\Instance",
                        0));
  ComRef<IWICBitmapDecoder> decoder;
  EXPECT_TRUE(FAILED(OpenPicture(TestPictures()[0], OpenRoute::Stream, decoder.Out())));
}

// The keys written and removed again in a classes key of the test's own,
// where an extension already carries values of another program: afterwards
// the tree is exactly as it was.
TEST(WicRegistrySandbox, RemovingLeavesExactlyWhatWasThere) {
  SHDeleteKeyW(HKEY_CURRENT_USER, Sandbox);
  const std::wstring classesPath = std::wstring(Sandbox) + L"\\Classes";
  PutText(classesPath + L"\\.ipf", nullptr, L"OtherViewer.Picture");
  PutText(classesPath + L"\\.ipf", L"Content Type", L"image/x-ipf");
  PutText(classesPath + L"\\.mcg\\ShellEx\\{8895b1c6-b41f-4c1c-a562-0d564250836f}", nullptr, L"{00000000-0000-0000-0000-000000000001}");
  PutText(classesPath + L"\\CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}\\Instance\\{00000000-0000-0000-0000-000000000002}",
          L"FriendlyName", L"Another decoder");
  std::vector<std::wstring> before;
  ListTree(HKEY_CURRENT_USER, Sandbox, L"", &before);

  HKEY classes;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, classesPath.c_str(), 0, KEY_READ | KEY_WRITE, &classes), 0);
  ASSERT_EQ(WriteCodecKeys(classes, L"C:\\Codec\\PalvoWic.dll"), ERROR_SUCCESS);
  std::vector<std::wstring> written;
  ListTree(HKEY_CURRENT_USER, Sandbox, L"", &written);
  // Lines (a key or a value each) of the decoder, counted by hand: the class 14,
  // its server 3, formats 5, patterns 19, its category entry 3; the extensions
  // .ipf 4 (a key of its own already), .ipq 5, .mcg 3 (a ShellEx key already), .clm 5.
  EXPECT_EQ(written.size(), before.size() + 61);
  EXPECT_EQ(TextValue(classes, L".ipf", nullptr), L"OtherViewer.Picture");
  EXPECT_EQ(TextValue(classes, L".clm", L"PerceivedType"), L"image");

  // The class goes while the other width is still registered; the extension keys stay.
  RemoveClassKeys(classes);
  EXPECT_FALSE(KeyExists(classes, L"CLSID\\{97CF0E55-9EC8-4C70-B0F0-F254AEB9A164}", 0));
  EXPECT_EQ(TextValue(classes, std::wstring(L".ipq") + ThumbnailSlot, nullptr), L"{C7657C4A-9F68-40fa-A4DF-96BC08EB3551}");
  RemoveExtensionKeys(classes);
  RegCloseKey(classes);
  std::vector<std::wstring> after;
  ListTree(HKEY_CURRENT_USER, Sandbox, L"", &after);
  EXPECT_EQ(after, before);
  SHDeleteKeyW(HKEY_CURRENT_USER, Sandbox);
}
