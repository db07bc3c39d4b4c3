#include <cstring>
#include <mutex>
#include <vector>

#include <CoreServices/ComponentInstanceRecord.h>

static_assert(sizeof(ComponentDescription) == 20);
static_assert(offsetof(ComponentParameters, params) == 8);

struct ComponentRecord {
  ComponentDescription description{};
  ComponentRoutineUPP entry = nullptr;
};

namespace {

std::mutex g_mutex;
std::vector<ComponentRecord*>& Components() {
  static auto* components = new std::vector<ComponentRecord*>();
  return *components;
}

bool Registered(Component c) {
  std::lock_guard<std::mutex> lock(g_mutex);
  for (ComponentRecord* r : Components())
    if (r == c) return true;
  return false;
}

constexpr size_t kMaxArgs = 16;

}  // namespace

namespace csx {

Arg::Arg(Float32 v) : slot(0) {
  UInt32 bits;
  std::memcpy(&bits, &v, sizeof bits);
  slot = static_cast<long>(bits);
}

ComponentInstance NewInstanceRecord() { return new ComponentInstanceRecord(); }

void DeleteInstanceRecord(ComponentInstance ci) {
  if (!IsLiveInstance(ci)) return;
  // Closed records are kept (a few bytes each), so a stale handle still
  // reads as closed instead of touching freed memory.
  *ci = ComponentInstanceRecord();
  ci->tag = 0;
  static auto* retired = new std::vector<ComponentInstance>();
  std::lock_guard<std::mutex> lock(g_mutex);
  retired->push_back(ci);
}

ComponentResult CallEntry(ComponentInstance ci, SInt16 what, std::initializer_list<Arg> args) {
  if (!IsLiveInstance(ci) || ci->entry == nullptr || args.size() > kMaxArgs) return badComponentInstance;
  // The block lives on the stack: room for the header and kMaxArgs slots.
  alignas(ComponentParameters) unsigned char block[offsetof(ComponentParameters, params) + kMaxArgs * sizeof(long)];
  auto* cp = reinterpret_cast<ComponentParameters*>(block);
  cp->flags = 0;
  cp->paramSize = static_cast<UInt8>(args.size() * sizeof(long));
  cp->what = what;
  cp->padding = 0;
  size_t i = args.size();
  for (const Arg& a : args) cp->params[--i] = a.slot;  // last argument first
  return ci->entry(cp, ci->storage);
}

}  // namespace csx

extern "C" {

Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance) {
  return csx::IsLiveInstance(aComponentInstance) ? aComponentInstance->storage : nullptr;
}

void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage) {
  if (csx::IsLiveInstance(aComponentInstance)) aComponentInstance->storage = theStorage;
}

Component RegisterComponent(const ComponentDescription* cd, ComponentRoutineUPP componentEntryPoint, SInt16, Handle,
                            Handle, Handle) {
  if (cd == nullptr || componentEntryPoint == nullptr) return nullptr;
  auto* r = new ComponentRecord();
  r->description = *cd;
  r->entry = componentEntryPoint;
  std::lock_guard<std::mutex> lock(g_mutex);
  Components().push_back(r);
  return r;
}

OSStatus UnregisterComponent(Component aComponent) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto& all = Components();
  for (auto it = all.begin(); it != all.end(); ++it) {
    if (*it == aComponent) {
      all.erase(it);  // the record stays allocated: open instances may still point at it
      return noErr;
    }
  }
  return invalidComponentID;
}

OSStatus GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle, Handle, Handle) {
  if (!Registered(aComponent)) return invalidComponentID;
  if (cd != nullptr) *cd = aComponent->description;
  return noErr;
}

OSStatus OpenAComponent(Component aComponent, ComponentInstance* ci) {
  if (ci == nullptr) return paramErr;
  *ci = nullptr;
  if (!Registered(aComponent)) return invalidComponentID;
  ComponentInstance instance = csx::NewInstanceRecord();
  instance->component = aComponent;
  instance->entry = aComponent->entry;
  const ComponentResult result = csx::CallEntry(instance, kComponentOpenSelect, {instance});
  if (result != noErr) {
    csx::DeleteInstanceRecord(instance);
    return result;
  }
  *ci = instance;
  return noErr;
}

OSStatus CloseComponent(ComponentInstance aComponentInstance) {
  if (!csx::IsLiveInstance(aComponentInstance) || aComponentInstance->entry == nullptr)
    return badComponentInstance;
  const ComponentResult result = csx::CallEntry(aComponentInstance, kComponentCloseSelect, {aComponentInstance});
  csx::DeleteInstanceRecord(aComponentInstance);
  return result;
}

ComponentResult ComponentFunctionImplemented(ComponentInstance ci, SInt16 ftnNumber) {
  return csx::CallEntry(ci, kComponentCanDoSelect, {ftnNumber});
}

ComponentResult GetComponentVersion(ComponentInstance ci) { return csx::CallEntry(ci, kComponentVersionSelect, {}); }

}  // extern "C"
