// MIDI packet lists: merging, chunking and every bounds check.
#include <CoreMIDI/CoreMIDI.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct Buffer {
  explicit Buffer(size_t size) : bytes(size, 0xAB) {}
  MIDIPacketList* List() { return reinterpret_cast<MIDIPacketList*>(bytes.data()); }
  std::vector<Byte> bytes;
};

std::vector<std::vector<Byte>> Packets(const MIDIPacketList* list, std::vector<MIDITimeStamp>* times = nullptr) {
  std::vector<std::vector<Byte>> out;
  const MIDIPacket* p = &list->packet[0];
  for (UInt32 i = 0; i < list->numPackets; ++i, p = MIDIPacketNext(p)) {
    out.emplace_back(p->data, p->data + p->length);
    const MIDITimeStamp t = p->timeStamp;  // copied: packet fields may be unaligned
    if (times != nullptr) times->push_back(t);
  }
  return out;
}

TEST(MIDIPacketList, MessagesMergeByTimeAndSysExStaysApart) {
  Buffer buf(256);
  MIDIPacketList* list = buf.List();
  MIDIPacket* p = MIDIPacketListInit(list);
  EXPECT_EQ(list->numPackets, 0u);
  const Byte noteOn[3] = {0x90, 60, 100};
  const Byte cc[3] = {0xB0, 7, 90};
  const Byte sysex[4] = {0xF0, 0x7D, 0x01, 0xF7};
  p = MIDIPacketListAdd(list, buf.bytes.size(), p, 5, 3, noteOn);
  p = MIDIPacketListAdd(list, buf.bytes.size(), p, 5, 3, cc);      // same time: joins
  p = MIDIPacketListAdd(list, buf.bytes.size(), p, 5, 4, sysex);   // SysEx: a packet of its own
  p = MIDIPacketListAdd(list, buf.bytes.size(), p, 5, 3, noteOn);  // after SysEx: new packet
  p = MIDIPacketListAdd(list, buf.bytes.size(), p, 9, 3, cc);      // later: new packet
  ASSERT_NE(p, nullptr);
  std::vector<MIDITimeStamp> times;
  const auto packets = Packets(list, &times);
  ASSERT_EQ(list->numPackets, 4u);
  EXPECT_EQ(packets[0], (std::vector<Byte>{0x90, 60, 100, 0xB0, 7, 90}));
  EXPECT_EQ(packets[1], (std::vector<Byte>{0xF0, 0x7D, 0x01, 0xF7}));
  EXPECT_EQ(packets[2], (std::vector<Byte>{0x90, 60, 100}));
  EXPECT_EQ(times, (std::vector<MIDITimeStamp>{5, 5, 5, 9}));
  // Earlier than the current packet: refused, list unchanged.
  EXPECT_EQ(MIDIPacketListAdd(list, buf.bytes.size(), p, 8, 3, cc), nullptr);
  EXPECT_EQ(list->numPackets, 4u);
}

TEST(MIDIPacketList, SysExChunksFillAnExactlySizedList) {
  // A 600-byte message as chunks of at most 256 bytes, each added at the
  // same offset; the list has room for its header, three packet headers and
  // the data, and no more.
  std::vector<Byte> message(600);
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<Byte>(i == 0 ? 0xF0 : i % 0x80);
  const size_t size = kMIDIPacketListHeaderSize + 3 * kMIDIPacketHeaderSize + message.size();
  Buffer buf(size);
  MIDIPacket* p = MIDIPacketListInit(buf.List());
  for (size_t at = 0; at < message.size(); at += 256) {
    const size_t n = std::min<size_t>(256, message.size() - at);
    p = MIDIPacketListAdd(buf.List(), size, p, 0, n, message.data() + at);
    ASSERT_NE(p, nullptr) << at;
  }
  const auto packets = Packets(buf.List());
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(packets[0].size(), 256u);
  EXPECT_EQ(packets[1].size(), 256u);
  EXPECT_EQ(packets[2].size(), 88u);
  EXPECT_EQ(packets[2].back(), message.back());
  // One byte more does not fit.
  const Byte extra = 0xF8;
  EXPECT_EQ(MIDIPacketListAdd(buf.List(), size, p, 1, 1, &extra), nullptr);
}

TEST(MIDIPacketList, InvalidArgumentsAndOverflowAreRefused) {
  Buffer buf(64);
  MIDIPacketList* list = buf.List();
  const Byte msg[3] = {0x80, 1, 2};
  EXPECT_EQ(MIDIPacketListInit(nullptr), nullptr);
  MIDIPacket* first = MIDIPacketListInit(list);
  EXPECT_EQ(MIDIPacketListAdd(nullptr, 64, first, 0, 3, msg), nullptr);
  EXPECT_EQ(MIDIPacketListAdd(list, 64, nullptr, 0, 3, msg), nullptr);
  EXPECT_EQ(MIDIPacketListAdd(list, 64, first, 0, 3, nullptr), nullptr);
  EXPECT_EQ(MIDIPacketListAdd(list, 3, first, 0, 3, msg), nullptr);   // smaller than a list header
  EXPECT_EQ(MIDIPacketListAdd(list, 16, first, 0, 3, msg), nullptr);  // 4 + 10 + 3 > 16
  EXPECT_EQ(list->numPackets, 0u);
  // A packet pointer outside the list, or not the first packet of an empty list.
  MIDIPacket* outside = reinterpret_cast<MIDIPacket*>(buf.bytes.data() + 200);
  EXPECT_EQ(MIDIPacketListAdd(list, 64, outside, 0, 3, msg), nullptr);
  MIDIPacket* inside = reinterpret_cast<MIDIPacket*>(buf.bytes.data() + 8);
  EXPECT_EQ(MIDIPacketListAdd(list, 64, inside, 0, 3, msg), nullptr);

  MIDIPacket* p = MIDIPacketListAdd(list, 64, first, 0, 3, msg);
  ASSERT_EQ(p, first);
  MIDIPacket* q = MIDIPacketListAdd(list, 64, p, 1, 3, msg);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(MIDIPacketListAdd(list, 64, first, 2, 3, msg), nullptr);  // not the last packet
  // More than a packet's 16-bit length can say.
  std::vector<Byte> huge(70000, 0x01);
  Buffer big(80000);
  MIDIPacket* b = MIDIPacketListInit(big.List());
  EXPECT_EQ(MIDIPacketListAdd(big.List(), big.bytes.size(), b, 0, huge.size(), huge.data()), nullptr);
  // A corrupted length in the list is caught instead of read past the end.
  q->length = 60000;
  EXPECT_EQ(MIDIPacketListAdd(list, 64, q, 3, 3, msg), nullptr);
  // An empty add is allowed and makes an empty packet.
  Buffer small(32);
  MIDIPacket* e = MIDIPacketListInit(small.List());
  EXPECT_EQ(MIDIPacketListAdd(small.List(), 32, e, 0, 0, nullptr), e);
  EXPECT_EQ(small.List()->numPackets, 1u);
  EXPECT_EQ(e->length, 0);
}

}  // namespace
