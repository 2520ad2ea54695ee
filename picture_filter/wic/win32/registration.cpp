#include "picture_filter/wic/win32/registration.h"

#include <wincodec.h>

#include "picture_filter/wic/win32/codec_ids.h"
#include "picture_filter/wic/win32/key_path.h"

#ifndef FC_VERSION
#define FC_VERSION "0"
#endif
#define FC_WIDE_TEXT(text) L##text
#define FC_WIDE(text) FC_WIDE_TEXT(text)

const wchar_t DecoderCategoryText[] = L"{7ED96837-96F0-4812-B211-F13C24117ED3}";

namespace {

const wchar_t FriendlyName[] = L"F&C Picture Decoder (Palvo)";
const wchar_t Extensions[] = L".ipf,.ipq,.mcg,.clm";
const wchar_t* const ExtensionKeys[] = {L".ipf", L".ipq", L".mcg", L".clm"};
const wchar_t MimeTypes[] = L"image/x-fc-ipf,image/x-fc-ipq,image/x-fc-mcg";
// Explorer's thumbnail handler slot, and the system's photo thumbnail
// provider, which draws any picture a WIC decoder opens.
const wchar_t ThumbnailSlot[] = L"ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";
const wchar_t PhotoThumbnailProvider[] = L"{C7657C4A-9F68-40fa-A4DF-96BC08EB3551}";
const wchar_t PerceivedImage[] = L"image";
const wchar_t* const PixelFormats[] = {
    L"{6FDDC324-4E03-4BFE-B185-3D77768DC905}", // 1bppIndexed
    L"{6FDDC324-4E03-4BFE-B185-3D77768DC907}", // 4bppIndexed
    L"{6FDDC324-4E03-4BFE-B185-3D77768DC904}", // 8bppIndexed
    L"{6FDDC324-4E03-4BFE-B185-3D77768DC90C}", // 24bppBGR
};

struct HeadPattern {
  DWORD Length;
  BYTE Pattern[12];
  BYTE Mask[12];
};
// What WIC compares a stream's first bytes with: the RIFF forms "IPF " and
// "IPQ " (the container size between them may be anything) and "MCG ".
const HeadPattern Patterns[] = {
    {12, {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'I', 'P', 'F', ' '},
     {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
    {12, {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'I', 'P', 'Q', ' '},
     {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
    {4, {'M', 'C', 'G', ' '}, {0xFF, 0xFF, 0xFF, 0xFF}},
};

KeyPath ClassKey(const wchar_t* below = L"") { return KeyPath(L"CLSID\\", DecoderClassText, below); }
KeyPath InstanceKey() { return KeyPath(L"CLSID\\", DecoderCategoryText, L"\\Instance\\", DecoderClassText); }

// Writes values into one key, created when missing; stops at the first failure.
struct KeyWriter {
  HKEY Key = nullptr;
  LONG Status;

  KeyWriter(HKEY classes, const KeyPath& path) {
    Status = RegCreateKeyExW(classes, path.Text, 0, nullptr, 0, KEY_WRITE, nullptr, &Key, nullptr);
  }
  ~KeyWriter() {
    if (Key != nullptr) RegCloseKey(Key);
  }
  void Put(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    if (Status == ERROR_SUCCESS) Status = RegSetValueExW(Key, name, 0, type, static_cast<const BYTE*>(data), size);
  }
  void Text(const wchar_t* name, const wchar_t* text) {
    Put(name, REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  }
  void Number(const wchar_t* name, DWORD value) { Put(name, REG_DWORD, &value, sizeof value); }
};

LONG WriteClass(HKEY classes, const wchar_t* modulePath) {
  KeyWriter decoder(classes, ClassKey());
  decoder.Text(nullptr, FriendlyName);
  decoder.Text(L"FriendlyName", FriendlyName);
  decoder.Text(L"Vendor", VendorText);
  decoder.Text(L"Author", L"FcSusiePlugins");
  decoder.Text(L"Version", FC_WIDE(FC_VERSION));
  decoder.Text(L"SpecVersion", L"1.0.0.0");
  decoder.Text(L"ContainerFormat", ContainerFormatText);
  decoder.Text(L"MimeTypes", MimeTypes);
  decoder.Text(L"FileExtensions", Extensions);
  decoder.Number(L"SupportMultiframe", 1);
  decoder.Number(L"SupportAnimation", 0);
  decoder.Number(L"SupportChromakey", 0);
  decoder.Number(L"SupportLossless", 1);
  if (decoder.Status != ERROR_SUCCESS) return decoder.Status;

  KeyWriter server(classes, ClassKey(L"\\InprocServer32"));
  server.Text(nullptr, modulePath);
  server.Text(L"ThreadingModel", L"Both");
  if (server.Status != ERROR_SUCCESS) return server.Status;

  for (const wchar_t* format : PixelFormats) {
    KeyPath path = ClassKey(L"\\Formats\\");
    path.Append(format);
    KeyWriter formatKey(classes, path);
    if (formatKey.Status != ERROR_SUCCESS) return formatKey.Status;
  }
  for (size_t index = 0; index < sizeof Patterns / sizeof Patterns[0]; ++index) {
    const HeadPattern& head = Patterns[index];
    const wchar_t number[2] = {static_cast<wchar_t>(L'0' + index), 0};
    KeyPath path = ClassKey(L"\\Patterns\\");
    path.Append(number);
    KeyWriter pattern(classes, path);
    pattern.Number(L"Position", 0);
    pattern.Number(L"Length", head.Length);
    pattern.Put(L"Pattern", REG_BINARY, head.Pattern, head.Length);
    pattern.Put(L"Mask", REG_BINARY, head.Mask, head.Length);
    pattern.Number(L"EndOfStream", 0);
    if (pattern.Status != ERROR_SUCCESS) return pattern.Status;
  }
  return ERROR_SUCCESS;
}

LONG WriteInstance(HKEY classes) {
  KeyWriter instance(classes, InstanceKey());
  instance.Text(L"CLSID", DecoderClassText);
  instance.Text(L"FriendlyName", FriendlyName);
  return instance.Status;
}

LONG WriteExtension(HKEY classes, const wchar_t* extension) {
  KeyWriter type(classes, KeyPath(extension));
  type.Text(L"PerceivedType", PerceivedImage);
  if (type.Status != ERROR_SUCCESS) return type.Status;
  KeyWriter thumbnail(classes, KeyPath(extension, L"\\", ThumbnailSlot));
  thumbnail.Text(nullptr, PhotoThumbnailProvider);
  return thumbnail.Status;
}

// Deletes a key and everything below it (RegDeleteTree is not in every system).
void DeleteTree(HKEY parent, const wchar_t* path) {
  HKEY key;
  if (RegOpenKeyExW(parent, path, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return;
  wchar_t child[256];
  for (;;) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DeleteTree(key, child);
    // A child that cannot go would be found again at index 0 for ever.
    HKEY still;
    if (RegOpenKeyExW(key, child, 0, KEY_READ, &still) == ERROR_SUCCESS) {
      RegCloseKey(still);
      break;
    }
  }
  RegCloseKey(key);
  RegDeleteKeyW(parent, path);
}

// Whether a value holds the text `expected` (letter case aside).
bool TextValueIs(HKEY key, const wchar_t* name, const wchar_t* expected) {
  wchar_t text[64];
  DWORD size = sizeof text - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  text[size / sizeof(wchar_t)] = 0;
  return lstrcmpiW(text, expected) == 0;
}

// Deletes the key when it holds neither values nor subkeys.
void DeleteIfEmpty(HKEY classes, const wchar_t* path) {
  HKEY key;
  if (RegOpenKeyExW(classes, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD subkeys = 1, values = 1;
  const LONG status =
      RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (status == ERROR_SUCCESS && subkeys == 0 && values == 0) RegDeleteKeyW(classes, path);
}

void RemoveExtension(HKEY classes, const wchar_t* extension) {
  const KeyPath slot(extension, L"\\", ThumbnailSlot);
  HKEY key;
  if (RegOpenKeyExW(classes, slot.Text, 0, KEY_READ | KEY_WRITE, &key) == ERROR_SUCCESS) {
    if (TextValueIs(key, nullptr, PhotoThumbnailProvider)) RegDeleteValueW(key, nullptr);
    RegCloseKey(key);
  }
  DeleteIfEmpty(classes, slot.Text);
  DeleteIfEmpty(classes, KeyPath(extension, L"\\ShellEx").Text);
  if (RegOpenKeyExW(classes, extension, 0, KEY_READ | KEY_WRITE, &key) == ERROR_SUCCESS) {
    if (TextValueIs(key, L"PerceivedType", PerceivedImage)) RegDeleteValueW(key, L"PerceivedType");
    RegCloseKey(key);
  }
  DeleteIfEmpty(classes, extension);
}

} // namespace

LONG WriteCodecKeys(HKEY classes, const wchar_t* modulePath) {
  LONG status = WriteClass(classes, modulePath);
  if (status == ERROR_SUCCESS) status = WriteInstance(classes);
  for (const wchar_t* extension : ExtensionKeys) {
    if (status == ERROR_SUCCESS) status = WriteExtension(classes, extension);
  }
  return status;
}

void RemoveClassKeys(HKEY classes) {
  DeleteTree(classes, ClassKey().Text);
  DeleteTree(classes, InstanceKey().Text);
}

void RemoveExtensionKeys(HKEY classes) {
  for (const wchar_t* extension : ExtensionKeys) RemoveExtension(classes, extension);
}
