// The program registry and the library blob reader.
#include <Metal/MTLLibrary.h>

#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>

namespace {

struct Program {
  MTLFunctionType type;
  void* program;
  int varyings;
};

std::mutex& registryLock() {
  static std::mutex m;
  return m;
}

std::map<std::string, Program>& registry() {
  static std::map<std::string, Program> r;
  return r;
}

bool lookup(const std::string& name, Program* out) {
  std::lock_guard<std::mutex> lock(registryLock());
  auto it = registry().find(name);
  if (it == registry().end()) return false;
  *out = it->second;
  return true;
}

uint32_t readU32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

MTLLibrary* fail(MTLError** error, const char* message) {
  if (error) *error = new (std::nothrow) MTLError(2, message);
  return nullptr;
}

}  // namespace

void MTLRegisterProgram(const char* name, MTLFunctionType type, void* program, int varyings) {
  if (!name || !program) return;
  if (varyings < 0) varyings = 0;
  if (varyings > kMTLMaxVaryings) varyings = kMTLMaxVaryings;
  std::lock_guard<std::mutex> lock(registryLock());
  registry()[name] = Program{type, program, varyings};
}

MTLLibrary* MTLLibrary::create(const unsigned char* bytes, NSUInteger size, MTLError** error) {
  if (error) *error = nullptr;
  if (!bytes || size < 12 || std::memcmp(bytes, "MTLB", 4) != 0) return fail(error, "not a library: no MTLB signature");
  if (readU32(bytes + 4) != 1) return fail(error, "unsupported library version");
  const uint32_t count = readU32(bytes + 8);
  if (count > 1024) return fail(error, "corrupt library: too many functions");
  auto* lib = new (std::nothrow) MTLLibrary();
  if (!lib) return fail(error, "out of memory");
  NSUInteger pos = 12;
  for (uint32_t i = 0; i < count; i++) {
    if (pos >= size) break;
    const auto type = static_cast<MTLFunctionType>(bytes[pos++]);
    const void* end = pos < size ? std::memchr(bytes + pos, 0, size - pos) : nullptr;
    if (!end || (type != MTLFunctionTypeVertex && type != MTLFunctionTypeFragment)) break;
    std::string name(reinterpret_cast<const char*>(bytes + pos));
    pos = static_cast<const unsigned char*>(end) - bytes + 1;
    Program p;
    if (!lookup(name, &p) || p.type != type) {
      lib->release();
      return fail(error, "the library names a function that has no program");
    }
    lib->names_.push_back(name);
    lib->types_.push_back(type);
  }
  if (lib->names_.size() != count) {
    lib->release();
    return fail(error, "corrupt library: truncated function table");
  }
  return lib;
}

MTLFunction* MTLLibrary::newFunctionWithName(const char* name) const {
  if (!name) return nullptr;
  for (size_t i = 0; i < names_.size(); i++) {
    if (names_[i] != name) continue;
    Program p;
    if (!lookup(names_[i], &p)) return nullptr;
    return new (std::nothrow) MTLFunction(names_[i], p.type, p.program, p.varyings);
  }
  return nullptr;
}
