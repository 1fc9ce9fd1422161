// Reading of the set-definition files "SetDefs\*.xml" (relative to the current directory) into
// the catalogue.
#pragma once

namespace quillon {

// A decimal integer as atoi reads it: leading white space, an optional sign, digits up to the
// first other character; no digits give 0. Out-of-range values saturate instead of overflowing.
int ReadInteger(const char* text);

} // namespace quillon
