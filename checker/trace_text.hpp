// How the checker records into its Tracer: the trace is a by-product and must never change how a
// run ends, so text that is not valid UTF-8 (a multi-byte character split between two body chunks,
// a path in another encoding) is recorded with its ill-formed sequences replaced by U+FFFD instead
// of making Tracer::trace throw.
#pragma once

#include "support/tracer.hpp"

#include <string>

namespace checker {

// The text with every ill-formed UTF-8 sequence replaced by U+FFFD; valid text comes back as it is.
std::string to_valid_utf8(const std::string& text);

// Tracer::trace of to_valid_utf8(message); nothing at all while the tracer is off.
void trace(Tracer& tracer, const std::string& message);

} // namespace checker
