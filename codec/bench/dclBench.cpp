// Speed and size of our codec against StormLib (implode, explode) and libdynamite (explode) on a
// fixed corpus of real Windows programs and text, all in one run so the figures compare.
// StormLib exports implode/explode under the same names as ours, so it is loaded with
// RTLD_DEEPBIND and called through dlsym; that is why this program is built without sanitizers.
#include "codec/dcl.h"

extern "C" {
#include <libdynamite.h>
}

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using ImplodeFn = unsigned int (*)(dcl_read_fn, dcl_write_fn, char*, void*, unsigned int*, unsigned int*);
using ExplodeFn = unsigned int (*)(dcl_read_fn, dcl_write_fn, char*, void*);

struct Io {
  const Bytes* in;
  std::size_t position;
  Bytes& out;
};

unsigned int readIo(char* buf, unsigned int* size, void* param) {
  auto* io = static_cast<Io*>(param);
  std::size_t n = std::min<std::size_t>(*size, io->in->size() - io->position);
  std::memcpy(buf, io->in->data() + io->position, n);
  io->position += n;
  return static_cast<unsigned int>(n);
}

// Output goes into a buffer reserved once per file (clear() keeps the capacity), so that no run
// pays for fresh pages.
void writeIo(char* buf, unsigned int* size, void* param) {
  auto* io = static_cast<Io*>(param);
  io->out.insert(io->out.end(), buf, buf + *size);
}

Bytes& outputBuffer() {
  static Bytes buffer;
  return buffer;
}

size_t dynamiteRead(void* buf, size_t size, void* cookie) {
  unsigned int n = static_cast<unsigned int>(size);
  return readIo(static_cast<char*>(buf), &n, cookie);
}

size_t dynamiteWrite(void* buf, size_t size, void* cookie) {
  auto* io = static_cast<Io*>(cookie);
  if (io->out.size() + size > 2 * io->out.capacity() + (64u << 20)) return 0;  // dynamite never stops on bad input
  io->out.insert(io->out.end(), static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + size);
  return size;
}

double seconds(const std::function<void()>& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Best of several runs of each, in seconds, taking turns so that load from other processes on a
// shared machine falls on both alike.
std::pair<double, double> bestTimes(int runs, const std::function<void()>& a, const std::function<void()>& b) {
  double bestA = 1e9, bestB = 1e9;
  for (int i = 0; i < runs; ++i) {
    bestA = std::min(bestA, seconds(a));
    bestB = std::min(bestB, seconds(b));
  }
  return {bestA, bestB};
}

// StormLib's work structures hold pointers and outgrow the 32-bit library's sizes on 64-bit, so
// its calls get a larger buffer.
constexpr std::size_t stormWorkSize = 65536;

Bytes runImplode(ImplodeFn fn, const Bytes& data, unsigned type, unsigned dsize) {
  std::vector<char> work(fn == implode ? CMP_BUFFER_SIZE : stormWorkSize);
  Io io{&data, 0, outputBuffer()};
  io.out.clear();
  io.out.reserve(data.size() + 4096);
  fn(readIo, writeIo, work.data(), &io, &type, &dsize);
  return io.out;
}

Bytes runExplode(ExplodeFn fn, const Bytes& packed, std::size_t expected) {
  std::vector<char> work(fn == explode ? EXP_BUFFER_SIZE : stormWorkSize);
  Io io{&packed, 0, outputBuffer()};
  io.out.clear();
  io.out.reserve(expected + 4096);
  fn(readIo, writeIo, work.data(), &io);
  return io.out;
}

Bytes runDynamite(const Bytes& packed, std::size_t expected) {
  Io io{&packed, 0, outputBuffer()};
  io.out.clear();
  io.out.reserve(expected + 4096);
  dynamite_explode(dynamiteRead, dynamiteWrite, &io);
  return io.out;
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Totals {
  double in = 0, ours = 0, storm = 0, oursImplode = 0, stormImplode = 0, oursExplode = 0, stormExplode = 0,
         dynamiteExplode = 0, dynamiteBytes = 0;
};

}  // namespace

int main() {
  void* storm = dlopen("libstorm.so.9", RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
  if (!storm) return std::fprintf(stderr, "cannot load StormLib: %s\n", dlerror()), 1;
  auto stormImplode = reinterpret_cast<ImplodeFn>(dlsym(storm, "implode"));
  auto stormExplode = reinterpret_cast<ExplodeFn>(dlsym(storm, "explode"));
  if (!stormImplode || !stormExplode) return std::fprintf(stderr, "StormLib lacks implode/explode\n"), 1;

  const std::string wine = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/";
  struct Item {
    std::string name;
    Bytes data;
    unsigned type;
  };
  std::vector<Item> corpus;
  for (const char* name : {"kernel32.dll", "advapi32.dll", "msvcrt.dll", "shlwapi.dll", "cmd.exe", "notepad.exe", "version.dll"})
    corpus.push_back({name, readFile(wine + name), CMP_BINARY});
  Bytes text;
  for (const char* name : {"GPL-3", "GPL-2", "LGPL-2.1", "Apache-2.0", "MPL-2.0", "GFDL-1.3"}) {
    Bytes part = readFile(std::string("/usr/share/common-licenses/") + name);
    text.insert(text.end(), part.begin(), part.end());
  }
  corpus.push_back({"licence texts (ASCII)", text, CMP_ASCII});
  corpus.push_back({"licence texts (binary)", text, CMP_BINARY});

  const unsigned dsize = 4096;
  std::printf("dictionary 4096; sizes in %% of input; speeds in MB/s of uncompressed data (best of runs)\n\n");
  std::printf("%-24s %9s | %7s %7s %6s | %7s %7s %6s | %7s %7s %8s %6s\n", "file", "bytes", "ours%", "storm%",
              "size", "impl", "storm", "speed", "expl", "storm", "dynamite", "speed");
  std::printf("%-24s %9s | %7s %7s %6s | %7s %7s %6s | %7s %7s %8s %6s\n", "", "", "", "", "ratio", "ours", "impl",
              "ratio", "ours", "expl", "expl", "ratio");
  Totals t;
  bool ok = true;
  for (const Item& item : corpus) {
    const Bytes& data = item.data;
    double mb = data.size() / 1e6;
    Bytes ours = runImplode(implode, data, item.type, dsize);
    Bytes theirs = runImplode(stormImplode, data, item.type, dsize);
    // Small files get more runs: their single runs are short enough for other load to dominate.
    int runs = static_cast<int>(std::clamp<std::size_t>(3000000 / (data.size() + 1), 5, 30));
    auto [oursImplode, stormImplodeTime] = bestTimes(
        runs, [&] { runImplode(implode, data, item.type, dsize); }, [&] { runImplode(stormImplode, data, item.type, dsize); });
    // Every decoder expands our stream, and must give the input back.
    ok = ok && runExplode(explode, ours, data.size()) == data && runExplode(stormExplode, ours, data.size()) == data &&
         runExplode(explode, theirs, data.size()) == data;
    auto [oursExplode, stormExplodeTime] = bestTimes(
        2 * runs, [&] { runExplode(explode, ours, data.size()); }, [&] { runExplode(stormExplode, ours, data.size()); });
    double dynamiteTime = 0;
    if (item.type == CMP_BINARY) {
      ok = ok && runDynamite(ours, data.size()) == data;
      dynamiteTime = seconds([&] { runDynamite(ours, data.size()); });
      t.dynamiteExplode += dynamiteTime;
      t.dynamiteBytes += data.size();
    }
    std::printf("%-24s %9zu | %6.2f%% %6.2f%% %6.3f | %7.1f %7.1f %6.2f | %7.1f %7.1f %8s %6.2f\n", item.name.c_str(),
                data.size(), 100.0 * ours.size() / data.size(), 100.0 * theirs.size() / data.size(),
                double(ours.size()) / theirs.size(), mb / oursImplode, mb / stormImplodeTime,
                stormImplodeTime / oursImplode, mb / oursExplode, mb / stormExplodeTime,
                dynamiteTime ? std::to_string(int(mb / dynamiteTime + 0.5)).c_str() : "-", stormExplodeTime / oursExplode);
    t.in += data.size();
    t.ours += ours.size();
    t.storm += theirs.size();
    t.oursImplode += oursImplode;
    t.stormImplode += stormImplodeTime;
    t.oursExplode += oursExplode;
    t.stormExplode += stormExplodeTime;
  }
  double mb = t.in / 1e6;
  std::printf("%-24s %9.0f | %6.2f%% %6.2f%% %6.3f | %7.1f %7.1f %6.2f | %7.1f %7.1f %8.0f %6.2f\n", "total", t.in,
              100 * t.ours / t.in, 100 * t.storm / t.in, t.ours / t.storm, mb / t.oursImplode, mb / t.stormImplode,
              t.stormImplode / t.oursImplode, mb / t.oursExplode, mb / t.stormExplode,
              t.dynamiteBytes / 1e6 / t.dynamiteExplode, t.stormExplode / t.oursExplode);
  std::printf("\nsize ratio = ours / StormLib (below 1: ours smaller); speed ratio = ours / StormLib (above 1: ours faster)\n");
  if (!ok) std::printf("ROUND TRIP FAILED\n");
  return ok ? 0 : 1;
}
