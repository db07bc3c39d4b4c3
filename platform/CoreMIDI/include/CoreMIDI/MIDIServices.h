// MIDI packet lists as passed between a component and its host.
// A list holds numPackets packets laid out one after another without
// padding: each is a 10-byte header (time stamp, length) and its data bytes.
// Walk a list with MIDIPacketNext. Fields may be unaligned: read them by
// value, never bind a reference or pointer to them. Plain data; any thread.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef UInt64 MIDITimeStamp;

#pragma pack(push, 1)
struct MIDIPacket {
  MIDITimeStamp timeStamp;
  UInt16 length;
  Byte data[256];  // a packet may carry more bytes when the list has room
};

struct MIDIPacketList {
  UInt32 numPackets;
  MIDIPacket packet[1];
};
#pragma pack(pop)

// Bytes of a packet header and of a list header.
constexpr size_t kMIDIPacketHeaderSize = sizeof(MIDITimeStamp) + sizeof(UInt16);
constexpr size_t kMIDIPacketListHeaderSize = sizeof(UInt32);

extern "C" {

// Empties the list; returns its first packet, to pass to MIDIPacketListAdd.
MIDIPacket* MIDIPacketListInit(MIDIPacketList* pktlist);

// Adds nData bytes at time to the list of listSize bytes, after curPacket
// (the result of MIDIPacketListInit or of the previous add). Data at the
// same time as curPacket joins it unless either is System Exclusive data.
// Returns the packet now current, or null when the data does not fit, when
// the time is earlier than curPacket's, or when an argument is invalid; the
// list is then unchanged.
MIDIPacket* MIDIPacketListAdd(MIDIPacketList* pktlist, size_t listSize, MIDIPacket* curPacket, MIDITimeStamp time,
                              size_t nData, const Byte* data);

}  // extern "C"

// The packet after pkt in its list.
inline const MIDIPacket* MIDIPacketNext(const MIDIPacket* pkt) {
  return reinterpret_cast<const MIDIPacket*>(&pkt->data[pkt->length]);
}
inline MIDIPacket* MIDIPacketNext(MIDIPacket* pkt) { return reinterpret_cast<MIDIPacket*>(&pkt->data[pkt->length]); }
