// Stands in for the decompression library binding until it is merged: the library never loads.
#include "package/pk_stuff.h"

unsigned char explodeWorkBuffer[explodeWorkBufferSize];

TCompressor::TCompressor(const std::string&) {}
TCompressor::~TCompressor() {}
ResultCode TCompressor::expandToFile(const std::string&, const std::uint8_t*, std::size_t) { return 0; }
