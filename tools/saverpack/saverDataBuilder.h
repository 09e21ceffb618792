// Builds a saver data file (.ssd) from the [data] section: the settings block, the entry table and,
// behind it, one EntryHeader plus data per entry, in entry order.
#pragma once
#include "tools/saverpack/fileBytes.h"
#include "tools/saverpack/manifest.h"

Problem buildSaverDataFile(const DataFilePlan& plan, Bytes& file);
