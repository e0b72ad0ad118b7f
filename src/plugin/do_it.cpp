#include "plugin/do_it.h"

#include <string>

#include "faces/window/default_face.h"
#include "host/host_process.h"
#include "host/modal_windows.h"
#include "host/owner_window.h"
#include "host/trace.h"
#include "plugin/deal_with_gbtxt.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

std::function<std::unique_ptr<Face>()>& FaceFactory() {
  static std::function<std::unique_ptr<Face>()> factory;
  return factory;
}

// Stores `text` in the result variable, releasing the string it held.
void StoreResult(BSTR* result, std::u16string_view text) {
  SysReAllocStringLen(result, text.data(), static_cast<unsigned int>(text.size()));
}

}  // namespace

void SetFaceFactory(std::function<std::unique_ptr<Face>()> factory) {
  FaceFactory() = std::move(factory);
}

void DoItImpl(BSTR* result, std::uintptr_t host_window, const char* work_dir,
              const char* source_dir, const char* /*spare*/) {
  if (result == nullptr) return;
  StoreResult(result, u"0");
  const std::uintptr_t previous_owner = OwnerWindow();
  SetOwnerWindow(host_window);
  BeginTrace();
  try {
    std::unique_ptr<Face> face = FaceFactory() ? FaceFactory()() : MakeDefaultFace();
    auto form = std::make_unique<TForm_DealWithVAROZ>(*face);
    form->SourceDir = source_dir ? source_dir : "";
    form->WorkDir = work_dir ? work_dir : "";
    int modal_result = 0;
    {
      const ModalWindows modal(host_window);
      modal_result = form->ShowModal();
    }
    if (modal_result == mrOk) {
      StoreResult(result, HostPathText(form->ResultPath));
      const std::string path = GbkToUtf8(form->ResultPath);
      face->Finished(true, path);
      Trace(kTraceOutcome, path);
    } else {
      StoreResult(result, u"0");
      const std::string reason =
          form->FailureReason().empty() ? "转换未成功" : form->FailureReason();
      face->Finished(false, reason);
      if (form->Refused()) Trace(kTraceRefused, reason);
      Trace(kTraceOutcome, "0\n" + reason);
    }
    form.reset();
  } catch (...) {
    // A failure while the dialog was created or shown: the result still says "0".
    StoreResult(result, u"0");
    Trace(kTraceOutcome, "0\n对话框无法创建");
  }
  EndTrace();
  SetOwnerWindow(previous_owner);
}

}  // namespace qoru
