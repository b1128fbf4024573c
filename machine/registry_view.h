// The registry as a 32-bit program sees it on 64-bit Windows (Windows 7 and later): the
// registry redirector maps the keys it names into the 32-bit view, keys shared by both views
// excepted. Header-only, so that the simulated registry, the scenarios and the Windows stand-in
// use one rule.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "machine/records.h"

namespace machine {

// The Windows a machine runs: 32-bit, where the registry has one view, or 64-bit, where our
// 32-bit libraries work in the 32-bit view.
enum class Windows { X86, X64 };

inline const char* WindowsName(Windows windows) { return windows == Windows::X64 ? "x64" : "x86"; }

// Access flags that choose a view on 64-bit Windows; 32-bit Windows ignores them. They are no
// rights: a key's security neither grants nor refuses them.
constexpr std::uint32_t kKeyWow64_64Key = 0x0100;
constexpr std::uint32_t kKeyWow64_32Key = 0x0200;
constexpr std::uint32_t kKeyWow64Res = kKeyWow64_64Key | kKeyWow64_32Key;

namespace view_detail {

inline std::vector<std::u16string> Parts(const std::u16string& path) {
  std::vector<std::u16string> parts;
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string::npos) end = path.size();
    parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

inline std::u16string Join(const std::vector<std::u16string>& parts, size_t from, size_t to) {
  std::u16string path;
  for (size_t i = from; i < to && i < parts.size(); ++i) path += (path.empty() ? u"" : u"\\") + parts[i];
  return path;
}

// True when `parts` from `at` on begin with the parts of `prefix`.
inline bool StartsWith(const std::vector<std::u16string>& parts, size_t at, const char16_t* prefix) {
  const std::vector<std::u16string> wanted = Parts(prefix);
  if (parts.size() - at < wanted.size()) return false;
  for (size_t i = 0; i < wanted.size(); ++i)
    if (!NoCaseLess::Same(parts[at + i], wanted[i])) return false;
  return true;
}

// The keys under HKEY_LOCAL_MACHINE\SOFTWARE that both views share, with their subkeys, as
// Microsoft lists them in "Registry Keys Affected by WOW64" for Windows 7 and later.
constexpr const char16_t* kSharedUnderSoftware[] = {
    u"Clients",
    u"Microsoft\\COM3",
    u"Microsoft\\Cryptography\\Calais\\Current",
    u"Microsoft\\Cryptography\\Calais\\Readers",
    u"Microsoft\\Cryptography\\Services",
    u"Microsoft\\CTF\\SystemShared",
    u"Microsoft\\CTF\\TIP",
    u"Microsoft\\DFS",
    u"Microsoft\\Driver Signing",
    u"Microsoft\\EnterpriseCertificates",
    u"Microsoft\\EventSystem",
    u"Microsoft\\MSMQ",
    u"Microsoft\\Non-Driver Signing",
    u"Microsoft\\Notepad\\DefaultFonts",
    u"Microsoft\\OLE",
    u"Microsoft\\RAS",
    u"Microsoft\\RPC",
    u"Microsoft\\Shared Tools\\MSInfo",
    u"Microsoft\\SystemCertificates",
    u"Microsoft\\TermServLicensing",
    u"Microsoft\\Transaction Server",
    u"Microsoft\\Windows\\CurrentVersion\\App Paths",
    u"Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cursors\\Schemes",
    u"Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers",
    u"Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons",
    u"Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap",
    u"Microsoft\\Windows\\CurrentVersion\\Group Policy",
    u"Microsoft\\Windows\\CurrentVersion\\Policies",
    u"Microsoft\\Windows\\CurrentVersion\\PreviewHandlers",
    u"Microsoft\\Windows\\CurrentVersion\\Setup",
    u"Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations",
    u"Microsoft\\Windows NT\\CurrentVersion\\Console",
    u"Microsoft\\Windows NT\\CurrentVersion\\FontDpi",
    u"Microsoft\\Windows NT\\CurrentVersion\\FontLink",
    u"Microsoft\\Windows NT\\CurrentVersion\\FontMapper",
    u"Microsoft\\Windows NT\\CurrentVersion\\Fonts",
    u"Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
    u"Microsoft\\Windows NT\\CurrentVersion\\Gre_Initialize",
    u"Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
    u"Microsoft\\Windows NT\\CurrentVersion\\LanguagePack",
    u"Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
    u"Microsoft\\Windows NT\\CurrentVersion\\Perflib",
    u"Microsoft\\Windows NT\\CurrentVersion\\Ports",
    u"Microsoft\\Windows NT\\CurrentVersion\\Print",
    u"Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
    u"Microsoft\\Windows NT\\CurrentVersion\\Time Zones",
    u"Policies",
    u"RegisteredApplications",
};

// The keys under HKEY_LOCAL_MACHINE\SOFTWARE\Classes that have a 32-bit view of their own; the
// rest of Classes is shared.
constexpr const char16_t* kRedirectedUnderClasses[] = {
    u"CLSID", u"DirectShow", u"Interface", u"Media Type", u"MediaFoundation",
};

}  // namespace view_detail

// HKLM\SOFTWARE\WOW6432Node\Classes is a link that 64-bit Windows keeps to
// HKLM\SOFTWARE\Classes\Wow6432Node: a path through it names the key it leads to. Other paths,
// and every path on 32-bit Windows, are what they say.
inline std::u16string ResolveLinks(Windows windows, const std::u16string& canonical) {
  using namespace view_detail;
  if (windows == Windows::X86) return canonical;
  const std::vector<std::u16string> parts = Parts(canonical);
  if (parts.size() < 4 || !NoCaseLess::Same(parts[1], u"SOFTWARE") || !NoCaseLess::Same(parts[2], u"WOW6432Node") ||
      !NoCaseLess::Same(parts[3], u"Classes"))
    return canonical;
  const std::u16string rest = Join(parts, 4, parts.size());
  return parts[0] + u"\\" + parts[1] + u"\\" + parts[3] + u"\\Wow6432Node" + (rest.empty() ? u"" : u"\\" + rest);
}

// The key a 32-bit program reaches on 64-bit Windows when it names `canonical`
// ("HKEY_LOCAL_MACHINE\..."): HKLM\SOFTWARE\X lands in HKLM\SOFTWARE\WOW6432Node\X unless X is
// shared, a redirected key of Classes lands in HKLM\SOFTWARE\Classes\Wow6432Node\..., and
// everything outside HKLM\SOFTWARE (HKLM\SYSTEM among it) is shared. A path that already names the
// 32-bit view lands there without a second WOW6432Node.
inline std::u16string View32(const std::u16string& canonical) {
  using namespace view_detail;
  const std::vector<std::u16string> parts = Parts(canonical);
  // parts[0] is HKEY_LOCAL_MACHINE; only what lies below SOFTWARE is redirected.
  if (parts.size() < 3 || !NoCaseLess::Same(parts[1], u"SOFTWARE")) return canonical;
  if (NoCaseLess::Same(parts[2], u"WOW6432Node")) return ResolveLinks(Windows::X64, canonical);
  const std::u16string rest = Join(parts, 2, parts.size());
  const std::u16string software = parts[0] + u"\\" + parts[1] + u"\\";
  if (NoCaseLess::Same(parts[2], u"Classes")) {
    if (parts.size() < 4 || NoCaseLess::Same(parts[3], u"Wow6432Node")) return canonical;
    for (const char16_t* redirected : kRedirectedUnderClasses)
      if (NoCaseLess::Same(parts[3], redirected))
        return software + parts[2] + u"\\Wow6432Node\\" + Join(parts, 3, parts.size());
    return canonical;
  }
  for (const char16_t* shared : kSharedUnderSoftware)
    if (StartsWith(parts, 2, shared)) return canonical;
  return software + u"WOW6432Node\\" + rest;
}

// The key that an open or create with `access` reaches on a machine running `windows`, for a
// 32-bit program: KEY_WOW64_64KEY asks for the 64-bit view, where a key is what its path says.
inline std::u16string KeyInView(Windows windows, const std::u16string& canonical, std::uint32_t access) {
  if (windows == Windows::X86) return canonical;
  if ((access & kKeyWow64_64Key) != 0) return ResolveLinks(windows, canonical);
  return View32(canonical);
}

// Where a 32-bit program's registry call on `named` (a key as the program named it: "HKLM\...",
// "HKCR\...") lands on a machine running `windows`, when the redirector moves it
// ("HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\..."); empty where the key is what its name says
// (32-bit Windows, a shared key, a path that names the 32-bit view itself).
inline std::u16string Landed(Windows windows, const std::u16string& named, std::uint32_t access) {
  const std::optional<std::u16string> canonical = CanonicalKey(named);
  if (windows == Windows::X86 || !canonical) return u"";
  std::u16string landed = KeyInView(windows, *canonical, access);
  return landed == *canonical ? u"" : landed;
}

}  // namespace machine
