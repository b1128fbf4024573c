// The session an action holds on the engine's extension interface for one call, and the
// three bridge operations built on it.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "common/host_extension.h"

class HostSession {
 public:
  HostSession() = default;
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;
  HostSession(HostSession&& other) noexcept : ext_(std::exchange(other.ext_, nullptr)) {}
  HostSession& operator=(HostSession&& other) noexcept {
    if (this != &other) {
      Close();
      ext_ = std::exchange(other.ext_, nullptr);
    }
    return *this;
  }
  ~HostSession() { Close(); }

  // Queries `dispatch` for the extension interface. A negative status comes back unchanged
  // and leaves the session closed; a null `dispatch` gives E_POINTER.
  static HRESULT Open(IDispatch* dispatch, HostSession& session);

  bool IsOpen() const { return ext_ != nullptr; }
  HostExtension* get() const { return ext_; }

  // Releases the interface once; later calls do nothing.
  void Close() {
    if (ext_ != nullptr) std::exchange(ext_, nullptr)->Release();
  }

 private:
  HostExtension* ext_ = nullptr;
};

// The value of a suite property; a property the engine hands back nothing for is empty.
std::u16string ReadProperty(const HostSession& session, std::u16string_view name);
// Sets a suite property; the engine's status is not examined.
void WriteProperty(const HostSession& session, std::u16string_view name,
                   std::u16string_view value);
// The engine's translation of `text`, then its expansion of that.
std::u16string ResolveText(const HostSession& session, std::u16string_view text);
