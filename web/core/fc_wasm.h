// The core's flat interface to JavaScript: plain functions over byte ranges
// in the module's memory, each returning the system's result codes (with the
// loader's: LoadInputTooLarge, LoadPictureTooLarge) and never throwing. The
// page copies its bytes in with malloc, reads the records below at their
// fixed offsets, and frees what it allocated. Built natively too, for the
// tests that hold the module's answers to the native build's.
#pragma once
#include <cstddef>
#include <cstdint>

#if defined(__wasm__)
#define FC_EXPORT(name) extern "C" __attribute__((export_name(name)))
#else
#define FC_EXPORT(name) extern "C"
#endif

// fc_sniff's answers.
enum FcKind : int32_t { FcNone = 0, FcIpf = 1, FcIpq = 2, FcMcg = 3, FcVfs = 4 };

// A picture as shown (an IPQ stacked, the first frame on top).
struct FcDescription {
  int32_t Kind; // FcIpf, FcIpq or FcMcg
  int32_t FrameCount;
  int32_t Width;
  int32_t Height;
  int32_t Depth;   // 1, 4, 8 or 24
  int32_t Colours; // palette entries; 0 for 24 bits
};

struct FcFrameShape {
  int32_t Width;
  int32_t Height;
  int32_t Depth;
  int32_t Colours;
};

// A decoded picture or frame, top row first. Indices (one byte a pixel) and
// Colours only below 24 bits; Rgba always when asked for, opaque.
struct FcDecoded {
  int32_t Width;
  int32_t Height;
  int32_t Depth;
  int32_t Colours;
  uint8_t* Indices;
  uint8_t* Rgba;
  uint32_t Palette[256]; // 0xAARRGGBB
};

// What fc_decode makes.
constexpr int32_t FcWantIndices = 1;
constexpr int32_t FcWantRgba = 2;

// One VFS member as the plug-in lists it, and whether its bytes can be had.
struct FcVfsMember {
  double Offset;       // of its first byte from the archive's start
  uint32_t Position;   // of its directory entry (the plug-in's position)
  uint32_t Size;
  int32_t Result;      // 0, or what extraction answers: 2 no header behind it, 3 bytes past the end
  uint32_t NameLength; // 0 to 13
  uint8_t Name[16];    // code page 932 bytes
};
static_assert(sizeof(FcVfsMember) == 40, "the page reads 40-byte member records");

#if defined(__wasm__)
static_assert(offsetof(FcDecoded, Indices) == 16 && offsetof(FcDecoded, Rgba) == 20 &&
                  offsetof(FcDecoded, Palette) == 24,
              "the page reads these offsets");
#endif

// Kind of the bytes by their first ones (64 suffice).
FC_EXPORT("fc_sniff") int32_t fc_sniff(const uint8_t* bytes, uint32_t size);

FC_EXPORT("fc_describe") int32_t fc_describe(const uint8_t* bytes, uint32_t size, FcDescription* description);
FC_EXPORT("fc_describe_frame")
int32_t fc_describe_frame(const uint8_t* bytes, uint32_t size, int32_t frame, FcFrameShape* shape);

// Frame -1 is the picture as shown; 0 to count - 1 one IPQ frame. `want`
// is FcWantIndices | FcWantRgba. On success *decoded is the module's until
// fc_release; on failure it is null.
FC_EXPORT("fc_decode")
int32_t fc_decode(const uint8_t* bytes, uint32_t size, int32_t frame, int32_t want, FcDecoded** decoded);
FC_EXPORT("fc_release") void fc_release(FcDecoded* decoded);

// The 16-byte head: the directory's entry count, whose 32-byte entries follow it.
FC_EXPORT("fc_vfs_head") int32_t fc_vfs_head(const uint8_t* bytes, uint32_t size, uint32_t* entryCount);

// The members of an archive of `archiveSize` bytes from its head and
// directory alone; `members` holds `capacity` records (the entry count).
FC_EXPORT("fc_vfs_list")
int32_t fc_vfs_list(const uint8_t* bytes, uint32_t size, double archiveSize, FcVfsMember* members,
                    uint32_t capacity);

// One sentence for a result code: of a picture, an archive, or one member.
FC_EXPORT("fc_picture_message") const char* fc_picture_message(int32_t result);
FC_EXPORT("fc_archive_message") const char* fc_archive_message(int32_t result);
FC_EXPORT("fc_member_message") const char* fc_member_message(int32_t result); // FcVfsMember::Result

// The loader's limits.
FC_EXPORT("fc_max_input_bytes") double fc_max_input_bytes();
FC_EXPORT("fc_max_pixels") double fc_max_pixels();
