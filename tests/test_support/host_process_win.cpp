// The host as a child process on Windows: started without a shell, output and errors
// kept apart. The limits of a hostile machine have no counterpart here: a run asked
// for with them does not start and ends as kOptionsUnavailable.
#include "test_support/command.h"
#include "test_support/host_process.h"

namespace qoru::test {

HostRun RunHostConvert(const std::string& source, const std::string& work,
                       const std::vector<std::string>& extra, const HostOptions& options) {
  HostRun run;
  if (options.file_size_limit || options.obey_permissions) {
    run.exit_code = kOptionsUnavailable;
    return run;
  }
  RanApart ran = RunProgram(HostConvertArgs(source, work, extra));
  run.exit_code = ran.exit_code;
  run.out = std::move(ran.out);
  run.err = std::move(ran.err);
  return run;
}

WithoutPermissionOverride::WithoutPermissionOverride() = default;
WithoutPermissionOverride::~WithoutPermissionOverride() = default;

}  // namespace qoru::test
