// The body of the exported entry point DoIt: one call, one conversion. The result
// variable holds "0" from the first moment until a successful run stores the staging
// database's path; the dialog is destroyed and the owner window restored on every
// way out. No failure leaves the call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "faces/face.h"
#include "host/ole_string.h"

namespace qoru {

void DoItImpl(BSTR* result, std::uintptr_t host_window, const char* work_dir,
              const char* source_dir, const char* spare);

// Replaces the face that DoIt picks (tests); an empty function restores the default.
void SetFaceFactory(std::function<std::unique_ptr<Face>()> factory);

}  // namespace qoru
