#include "driver/usage_text.h"

const char* const USAGE_TEXT = "\nZembra v 2.0\n";
