#include "kit/text/sys_info.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "kit/text/unicode.h"

namespace zv {

const std::array<const char16_t*, 15> KitOSNames = {
    u"Windows 95", u"Windows 98", u"Windows ME", u"Windows NT", u"Windows 2000",
    u"Windows XP", u"Windows 2003 Server", u"Windows Vista", u"Windows 2008 Server", u"Windows 7",
    u"Windows 2008R2 Server", u"Windows 8", u"Windows 2012 Server", u"Windows 8.1",
    u"Windows Server 2012 R2"};

TKitOSInfo KitClassifyOS(const TKitOSVersionRecord& V) {
  TKitOSInfo r;
  r.Initialized = true;
  if (V.PlatformId == KitPlatform9x) {
    if (V.Major >= 4 && V.Minor >= 90) {
      r.IsME = true;
      r.Index = 2;
    } else if (V.Minor >= 10) {
      r.Is98 = true;
      r.Index = 1;
    } else {
      r.Is95 = true;
      r.Index = 0;
    }
    r.Extensions = V.ExtensionQuery;
    return r;
  }
  r.Extensions = true;
  r.IsNTPlatform = r.IsNT = V.PlatformId == KitPlatformNT;
  const bool workstation = V.ProductType == KitProductWorkstation;
  if (V.Major == 5 && V.Minor == 0) {
    r.Is2000 = true;
    r.Index = 4;
    r.Is2000Suite2 = V.SuiteMask == 2;
  } else if (V.Major == 5) {
    r.IsXPFamily = true;
    r.ServicePack3 = V.ServicePack == u"Service Pack 3";
    r.ServicePack2or3 = r.ServicePack3 || V.ServicePack == u"Service Pack 2";
    r.Index = 5;
    if (V.Minor > 1) {
      r.Is5xAbove51 = true;
      r.Index = 6;
      r.Is52Suite2 = V.SuiteMask == 2;
    } else if (V.SuiteMask == 3) {
      r.IsXPSuite3 = true;
    } else if (V.MediaCenter) {
      r.IsMediaCenter = true;
    } else if (V.TabletPC) {
      r.IsTabletPC = true;
    } else {
      r.IsXPStandard = true;
    }
  } else if (V.Major == 6) {
    if (V.Minor == 0) {
      r.Is60 = true;
      r.Index = workstation ? 7 : 8;
    } else if (V.Minor == 1) {
      r.Is61 = true;
      r.Index = workstation ? 9 : 10;
    } else if (V.Minor == 3) {
      r.Is63 = true;
      r.Index = workstation ? 13 : 14;
    } else {
      r.Is62 = true;
      r.Index = workstation ? 11 : 12;
    }
  } else {
    r.Index = 3;
  }
  auto atLeast = [&V](uint32_t Major, uint32_t Minor) {
    return V.Major > Major || (V.Major == Major && V.Minor >= Minor);
  };
  r.AtLeast50 = atLeast(5, 0);
  r.AtLeast51 = atLeast(5, 1);
  r.AtLeast52 = atLeast(5, 2);
  r.AtLeast60 = atLeast(6, 0);
  r.AtLeast61 = atLeast(6, 1);
  r.AtLeast62 = atLeast(6, 2);
  r.ServicePack2or3OrAtLeast52 = r.ServicePack2or3 || r.AtLeast52 || r.AtLeast60;
  return r;
}

const TKitOSVersionRecord& KitOSVersion() {
  static const TKitOSVersionRecord v = [] {
    TKitOSVersionRecord r;
    r.Major = 10;
    r.Minor = 0;
    r.PlatformId = KitPlatformNT;
    r.ProductType = KitProductWorkstation;
    return r;
  }();
  return v;
}

const TKitOSInfo& KitOSInfo() {
  static const TKitOSInfo info = KitClassifyOS(KitOSVersion());
  return info;
}

bool KitIsWinNT() { return KitOSInfo().IsNT; }

uint8_t KitDisplayColorDepth() { return 32; }

uint32_t KitGetOSVersionValue(int Index) {
  const TKitOSVersionRecord& v = KitOSVersion();
  switch (Index) {
    case 0: return v.Major;
    case 1: return v.Minor;
    case 2: return v.PlatformId;
    case 3: return v.Build;
    case 4: return v.ServicePackMajor;
    case 5: return v.ServicePackMinor;
    case 6: return v.SuiteMask;
    case 7: return v.ProductType;
    default: return 0;
  }
}

bool KitIsWindowsVersion(uint32_t Major, uint32_t Minor) {
  return KitOSVersion().Major == Major && KitOSVersion().Minor == Minor;
}

TKitString KitGetUserName() {
  std::string name;
  if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name) name = pw->pw_name;
  else if (const char* env = std::getenv("USER"); env && *env) name = env;
  if (name.empty()) return u"(Unknown)";
  TKitString out = KitFromPlatformText(name);
  if (out.size() > 63) out.resize(63);
  return out;
}

int64_t KitFileSize(const TKitString& FileName) {
  struct stat st;
  if (stat(KitToPlatformText(FileName).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

TKitString KitExeName() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return KitFromPlatformText(std::string(buf.data(), static_cast<size_t>(n)));
    buf.resize(buf.size() * 2);
  }
}

TKitString KitExtractFileName(const TKitString& Path) {
  const size_t slash = Path.rfind(u'/');
  return slash == TKitString::npos ? Path : Path.substr(slash + 1);
}

bool KitHasFileExt(const TKitString& Path) { return KitExtractFileName(Path).find(u'.') != TKitString::npos; }

TKitString KitChangeFileExt(const TKitString& Path, const TKitString& Ext) {
  const size_t name = Path.size() - KitExtractFileName(Path).size();
  const size_t dot = Path.rfind(u'.');
  return (dot != TKitString::npos && dot >= name ? Path.substr(0, dot) : Path) + Ext;
}

std::string KitToPlatformText(const TKitString& S) {
  std::string out;
  KitUTF16ToUTF8(S, out, true, false);
  return out;
}

TKitString KitFromPlatformText(const std::string& S) {
  TKitString out;
  KitUTF8ToUTF16(S, out, true, false);
  return out;
}

}  // namespace zv
