// Hostile inputs and the result codes a host must get for them: small valid
// files of every format cut at every length, with one bit flipped in every
// header byte, with sizes, counts and offsets at their extremes, plus the
// files kept from fuzzing (tests/hostile/findings). The native tests replay
// them on the format routines, the DLL tests through the exports.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "writers/picture_writer.h"

struct PictureCase {
  std::string Name;
  Bytes File;
  int32_t Mode;          // the IPQ display mode the host has set
  int32_t InfoResult;    // GetPictureInfo
  int32_t PictureResult; // GetPicture
  // GetPicture in the 32-bit plug-in where it must differ: a work buffer of
  // gigabytes that a 32-bit process cannot allocate gives 4 there.
  int32_t DllPictureResult;
  // A fuzz finding that still shows a reported fault of the plug-in; replayed
  // only by the disabled test that names the fault.
  bool OpenFault;
};

struct VfsExtraction {
  uint32_t Position; // the host's position: a directory entry's offset
  int32_t Result;    // GetFile to memory
  int32_t DllResult; // the same in the 32-bit plug-in (differs only where it must allocate gigabytes)
};

struct VfsCase {
  std::string Name;
  Bytes File;
  int32_t ListResult;  // GetArchiveInfo
  size_t ListedCount;  // records before the terminator, on success
  std::vector<std::pair<std::string, int32_t>> Searches; // GetFileInfo: name, result
  std::vector<VfsExtraction> Extractions;
  // The directory runs past the end of the data: damage, so listing and
  // every search answer 3 (broken data) whatever ListResult and Searches say
  // of an intact directory. These cases are replayed apart.
  bool CutDirectory;
};

std::vector<PictureCase> HostilePictureCases();
std::vector<VfsCase> HostileVfsCases();

// The files kept from fuzzing, from the manifest in `directory`
// (expected.txt); an empty list when there are none.
std::vector<PictureCase> FoundPictureCases(const std::string& directory);
std::vector<VfsCase> FoundVfsCases(const std::string& directory);
