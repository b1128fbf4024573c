// An action library loaded the way the engine loads it: from its file, actions found by name.
#pragma once

#include <string>
#include <vector>

#include "common/com.h"

namespace host {

using ActionFunction = HRESULT(STDMETHODCALLTYPE*)(IDispatch*);

class Library {
 public:
  Library() = default;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  Library(Library&& other) noexcept;
  ~Library();

  // Loads the library file; false with `error` set when it cannot be loaded.
  bool Load(const std::string& path, std::string& error);
  // The exported action, or null when the library has no such export.
  ActionFunction Find(const std::string& action) const;
  const std::string& path() const { return path_; }
  void* handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
  std::string path_;
};

// The names a library file exports (functions only), read from the file itself; false with
// `error` set when the file is not a library of this platform.
bool ListExports(const std::string& path, std::vector<std::string>& names, std::string& error);

// The file of a library given by name ("ovrel") or by path: a name is looked up in `folder`
// with this platform's prefix and suffix (libovrel.so, ovrel.dll).
std::string LibraryFile(const std::string& nameOrPath, const std::string& folder);

}  // namespace host
