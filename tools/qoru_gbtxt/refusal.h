// The command line refuses a run as the rooms do (book_sets/refusal.h).
#pragma once

#include "book_sets/refusal.h"

namespace qoru::host {

using book_sets::kExitUsage;
using book_sets::Refuse;

}  // namespace qoru::host
