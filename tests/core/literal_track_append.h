// The append as it was first designed, kept only as the reference that the differential test
// and the benchmark hold the module's append against: one read call per field and per text byte,
// every symbol number written back in place whatever it was, CreateAlways as the second open,
// the header and the count before the record, and no guard against a file that ends early (it
// stops only at the end of the file, so it does not hang there). Never use it for real files.
#pragma once

#include <cstdint>

#include "module/platform.h"

void literalAppendTrackPoint(const char* name, const LocalTime& receivedAt, int32_t latitude,
                             int32_t longitude, int32_t iconIndex);
