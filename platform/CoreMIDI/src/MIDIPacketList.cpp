#include <cstring>

#include <CoreMIDI/MIDIServices.h>

static_assert(sizeof(MIDIPacket) == kMIDIPacketHeaderSize + 256);
static_assert(offsetof(MIDIPacketList, packet) == kMIDIPacketListHeaderSize);

namespace {

bool IsSysEx(const Byte* data, size_t n) { return n > 0 && (data[0] == 0xF0 || data[0] < 0x80 || data[0] == 0xF7); }

}  // namespace

extern "C" {

MIDIPacket* MIDIPacketListInit(MIDIPacketList* pktlist) {
  if (pktlist == nullptr) return nullptr;
  pktlist->numPackets = 0;
  return &pktlist->packet[0];
}

MIDIPacket* MIDIPacketListAdd(MIDIPacketList* pktlist, size_t listSize, MIDIPacket* curPacket, MIDITimeStamp time,
                              size_t nData, const Byte* data) {
  if (pktlist == nullptr || curPacket == nullptr || (data == nullptr && nData > 0)) return nullptr;
  auto* const base = reinterpret_cast<Byte*>(pktlist);
  auto* const cur = reinterpret_cast<Byte*>(curPacket);
  // curPacket must be a packet header inside the list.
  if (cur < base + kMIDIPacketListHeaderSize || listSize < kMIDIPacketListHeaderSize ||
      static_cast<size_t>(cur - base) > listSize)
    return nullptr;
  const size_t curOffset = static_cast<size_t>(cur - base);

  if (pktlist->numPackets == 0) {
    // The first packet sits right after the list header.
    if (cur != reinterpret_cast<Byte*>(&pktlist->packet[0])) return nullptr;
    if (nData > 0xFFFF || curOffset + kMIDIPacketHeaderSize + nData > listSize) return nullptr;
    curPacket->timeStamp = time;
    curPacket->length = static_cast<UInt16>(nData);
    if (nData > 0) std::memcpy(curPacket->data, data, nData);
    pktlist->numPackets = 1;
    return curPacket;
  }

  // curPacket must be the list's last packet, and every packet in bounds.
  const MIDIPacket* last = &pktlist->packet[0];
  for (UInt32 i = 0;; ++i) {
    const size_t offset = static_cast<size_t>(reinterpret_cast<const Byte*>(last) - base);
    if (offset + kMIDIPacketHeaderSize > listSize || offset + kMIDIPacketHeaderSize + last->length > listSize)
      return nullptr;
    if (i + 1 == pktlist->numPackets) break;
    last = MIDIPacketNext(last);
  }
  if (last != curPacket) return nullptr;
  const size_t curLength = curPacket->length;
  const size_t curEnd = curOffset + kMIDIPacketHeaderSize + curLength;
  if (curEnd > listSize) return nullptr;
  const MIDITimeStamp curTime = curPacket->timeStamp;
  if (time < curTime) return nullptr;

  // Same time, neither side System Exclusive: the bytes join the packet.
  if (time == curTime && !IsSysEx(data, nData) && !IsSysEx(curPacket->data, curLength)) {
    if (curLength + nData > 0xFFFF || curEnd + nData > listSize) return nullptr;
    if (nData > 0) std::memcpy(cur + kMIDIPacketHeaderSize + curLength, data, nData);
    curPacket->length = static_cast<UInt16>(curLength + nData);
    return curPacket;
  }

  if (nData > 0xFFFF || curEnd + kMIDIPacketHeaderSize + nData > listSize) return nullptr;
  MIDIPacket* next = MIDIPacketNext(curPacket);
  next->timeStamp = time;
  next->length = static_cast<UInt16>(nData);
  if (nData > 0) std::memcpy(next->data, data, nData);
  ++pktlist->numPackets;
  return next;
}

}  // extern "C"
