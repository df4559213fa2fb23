#pragma once

/// The text written when zemconv runs without arguments, without the final
/// newline that the driver adds.
extern const char* const USAGE_TEXT;
