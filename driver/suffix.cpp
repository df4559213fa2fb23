#include "driver/suffix.h"

int getsuffer(std::string path, std::string& suffix) {
  const size_t slash = path.rfind('/');
  const size_t componentStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < componentStart) return 0;
  suffix = path.substr(dot + 1);
  return 1;
}
