// An action library loaded the way the engine loads it: from its file, actions found by name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/com_types.h"
#include "testkit/result.h"

namespace testkit {

using ActionFunction = HRESULT(STDMETHODCALLTYPE*)(IDispatch*);

class Library {
 public:
  Library() = default;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  Library(Library&& other) noexcept;
  ~Library();

  // Loads the library file; the failure says why it cannot be loaded.
  Result<> Load(const std::string& path);
  // The exported action, or null when the library has no such export.
  ActionFunction Find(const std::string& action) const;
  const std::string& path() const { return path_; }
  void* handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
  std::string path_;
};

// The names a library file exports (functions only), read from the file itself; a failure when
// the file is not a library of this platform.
Result<std::vector<std::string>> ListExports(const std::string& path);

// The file of a library given by name ("ovrel") or by path: a name is looked up in `folder`
// with this platform's prefix and suffix (libovrel.so, ovrel.dll).
std::string LibraryFile(const std::string& nameOrPath, const std::string& folder);

// Why a library given by name has no file in `folder`, in the user's terms: the name is an action
// of one of the action libraries (the library and the action given the wrong way round), near one
// of their names, or unknown (the known ones listed). Nothing when it is given by path or its file
// is there.
std::optional<std::string> UnknownLibrary(const std::string& name, const std::string& folder);

// " (did you mean \"initProperties\"?)" when one of `names` differs from `wanted` only in letter
// case or by one letter (one added, left out or changed); else nothing.
std::string DidYouMean(const std::string& wanted, const std::vector<std::string>& names);

}  // namespace testkit
