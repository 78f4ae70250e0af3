// Queries about the running platform: the operating-system classification the graphics and
// application units ask for, the display depth, the user's name and file sizes. The
// classification is a pure function of a version record; this platform feeds it fixed
// values (an NT-family system of version 10.0), since nothing here has a version to report.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "kit/text/kit_types.h"

namespace zv {

constexpr uint32_t KitPlatform9x = 1;
constexpr uint32_t KitPlatformNT = 2;
constexpr uint8_t KitProductWorkstation = 1;

// What the platform reports about itself.
struct TKitOSVersionRecord {
  uint32_t Major = 0;
  uint32_t Minor = 0;
  uint32_t PlatformId = 0;
  uint32_t Build = 0;
  uint16_t ServicePackMajor = 0;
  uint16_t ServicePackMinor = 0;
  uint16_t SuiteMask = 0;
  uint8_t ProductType = 0;
  TKitString ServicePack;      // "Service Pack 2", ...
  bool ExtensionQuery = false;  // the 9x system-parameter query that tells of extensions
  bool MediaCenter = false;
  bool TabletPC = false;
};

// The classification: an index into KitOSNames and the version flags.
struct TKitOSInfo {
  uint8_t Index = 0;
  bool Is95 = false, Is98 = false, IsME = false, IsNTPlatform = false;
  bool Is2000 = false, Is2000Suite2 = false;
  bool IsXPFamily = false, IsXPSuite3 = false, IsXPStandard = false, Is52Suite2 = false;
  bool Extensions = false;
  bool Is5xAbove51 = false, Is60 = false, Is61 = false, Is62 = false, Is63 = false;
  bool IsTabletPC = false, IsMediaCenter = false, IsNT = false;
  bool AtLeast50 = false, AtLeast51 = false;
  bool ServicePack2or3 = false, ServicePack3 = false, ServicePack2or3OrAtLeast52 = false;
  bool AtLeast52 = false, AtLeast60 = false, AtLeast61 = false, AtLeast62 = false;
  bool Initialized = false;
};

extern const std::array<const char16_t*, 15> KitOSNames;

TKitOSInfo KitClassifyOS(const TKitOSVersionRecord& V);
// The record this platform reports and its classification, made once.
const TKitOSVersionRecord& KitOSVersion();
const TKitOSInfo& KitOSInfo();

bool KitIsWinNT();
// Bits per pixel of the display.
uint8_t KitDisplayColorDepth();
// Index 0..7: major, minor, platform id, build, service-pack major and minor, suite mask,
// product type; 0 for any other index.
uint32_t KitGetOSVersionValue(int Index);
bool KitIsWindowsVersion(uint32_t Major, uint32_t Minor);
// The logged-on user's name (at most 63 characters), or "(Unknown)".
TKitString KitGetUserName();
// The size in bytes, or -1 when the file does not exist or is a folder.
int64_t KitFileSize(const TKitString& FileName);
// The full path of the running executable (empty when it cannot be found).
TKitString KitExeName();

// Path parts: the name after the last '/', and the path with its extension (the part
// from the last '.' of the name on) replaced by Ext ("" drops it).
TKitString KitExtractFileName(const TKitString& Path);
TKitString KitChangeFileExt(const TKitString& Path, const TKitString& Ext);
bool KitHasFileExt(const TKitString& Path);

// The platform's file names and texts are UTF-8; these convert leniently both ways.
std::string KitToPlatformText(const TKitString& S);
TKitString KitFromPlatformText(const std::string& S);

}  // namespace zv
