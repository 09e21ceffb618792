// A stand-in for impborl.dll that exports "_explode" and "_implode" but not "_crc32".
extern "C" unsigned int implode() { return 0; }
extern "C" unsigned int explode() { return 0; }
