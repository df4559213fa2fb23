#include "engines/common/guarded_main.h"

#include <exception>
#include <new>
#include <string>

namespace zembra {

int GuardedMain(const Diagnostics& diagnostics, const std::function<int()>& run) {
  try {
    return run();
  } catch (const std::bad_alloc&) {
    diagnostics.error("out of memory");
  } catch (const std::exception& failure) {
    diagnostics.error(std::string("unexpected error: ") + failure.what());
  } catch (...) {
    diagnostics.error("unexpected error");
  }
  return 1;
}

}  // namespace zembra
