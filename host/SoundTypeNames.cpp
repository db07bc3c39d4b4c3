#include "host/SoundTypeNames.h"

#include <cstdio>
#include <cstring>

namespace orbexhost {

namespace {

struct Named {
  const char* code;
  const char* name;
};

const char* Find(const Named* table, size_t count, const unsigned char* id) {
  for (size_t i = 0; i < count; ++i)
    if (std::memcmp(table[i].code, id, 4) == 0) return table[i].name;
  return nullptr;
}

bool Starts(const unsigned char* head, size_t n, const char* magic, size_t at = 0) {
  const size_t len = std::strlen(magic);
  return n >= at + len && std::memcmp(head + at, magic, len) == 0;
}

std::string FourCc(const unsigned char* p) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += (p[i] >= 0x20 && p[i] <= 0x7E) ? static_cast<char>(p[i]) : '?';
  return "'" + s + "'";
}

}  // namespace

std::string OtherFileType(const unsigned char* head, size_t n) {
  static const Named kMagic[] = {
      {".snd", "Sun/NeXT AU"}, {"dns.", "Sun/NeXT AU"},  {" paf", "Ensoniq PARIS (PAF)"},
      {"fap ", "Ensoniq PARIS (PAF)"}, {"PVF1", "Portable Voice Format (PVF)"},
      {"2BIT", "Audio Visual Research (AVR)"}, {"OggS", "Ogg"}, {"wvpk", "WavPack"},
      {"MAC ", "Monkey's Audio"}, {"MThd", "MIDI"}, {"BW64", "BW64"}};
  if (n < 4) return {};
  if (const char* name = Find(kMagic, sizeof kMagic / sizeof kMagic[0], head)) return name;
  if (Starts(head, n, "NIST_1A")) return "NIST SPHERE";
  if (Starts(head, n, "Creative Voice File")) return "Creative Voice (VOC)";
  if (Starts(head, n, "MATLAB 5.0 MAT-file")) return "MATLAB 5 (MAT5)";
  if (Starts(head, n, "Extended Instrument:")) return "FastTracker 2 instrument (XI)";
  if (Starts(head, n, "#!AMR")) return "AMR";
  if (Starts(head, n, "ftyp", 4)) return "MPEG-4 (" + FourCc(head + 8) + ")";
  if (head[0] == 0xF0 && head[1] == 0x7E) return "MIDI Sample Dump (SDS)";
  if (head[0] == 0xFF && (head[1] & 0xE0) == 0xE0) return "MPEG audio";
  // IRCAM's magic numbers, in either byte order.
  for (unsigned char machine = 1; machine <= 4; ++machine) {
    const unsigned char little[4] = {0x64, 0xA3, machine, 0x00}, big[4] = {0x00, machine, 0xA3, 0x64};
    if (!std::memcmp(head, little, 4) || !std::memcmp(head, big, 4)) return "IRCAM";
  }
  if (n >= 12 && Starts(head, n, "RIFF")) return "RIFF of form " + FourCc(head + 8);
  if (n >= 12 && Starts(head, n, "FORM")) return "IFF of form " + FourCc(head + 8);
  return {};
}

std::string WaveEncoding(uint64_t tag) {
  const char* name = nullptr;
  switch (tag) {
    case 0x0002: name = "Microsoft ADPCM"; break;
    case 0x0011: name = "IMA ADPCM"; break;
    case 0x0022: name = "DSP Group TrueSpeech"; break;
    case 0x0031: name = "GSM 6.10"; break;
    case 0x0038: name = "NMS VBXADPCM"; break;
    case 0x0040: name = "G.721 ADPCM"; break;
    case 0x0050: name = "MPEG"; break;
    case 0x0055: name = "MPEG Layer 3"; break;
    case 0x00FF:
    case 0x1610: name = "AAC"; break;
    case 0xFFFE: name = "extensible, of an unknown sub-format"; break;
    default: break;
  }
  char text[80];
  std::snprintf(text, sizeof text, "audio of format tag 0x%04X", static_cast<unsigned>(tag));
  return name != nullptr ? text + std::string(" (") + name + ")" : text;
}

std::string AifcEncoding(const unsigned char* id) {
  static const Named kAifc[] = {{"ima4", "IMA ADPCM"}, {"GSM ", "GSM 6.10"}, {"MAC3", "MACE 3:1"},
                                {"MAC6", "MACE 6:1"},  {"DWVW", "DWVW"},     {"Qclp", "QCELP"},
                                {"QDMC", "QDesign"},   {"QDM2", "QDesign 2"}, {"alac", "Apple Lossless"}};
  const char* name = Find(kAifc, sizeof kAifc / sizeof kAifc[0], id);
  return "audio of compression " + FourCc(id) + (name != nullptr ? std::string(" (") + name + ")" : "");
}

std::string CafEncoding(const unsigned char* id) {
  static const Named kCaf[] = {{"alac", "Apple Lossless"}, {"aac ", "AAC"},      {"ima4", "IMA ADPCM"},
                               {".mp3", "MPEG Layer 3"},   {"opus", "Opus"},     {"flac", "FLAC"},
                               {"MAC3", "MACE 3:1"},       {"MAC6", "MACE 6:1"}, {"samr", "AMR"}};
  const char* name = Find(kCaf, sizeof kCaf / sizeof kCaf[0], id);
  return "audio of format " + FourCc(id) + (name != nullptr ? std::string(" (") + name + ")" : "");
}

}  // namespace orbexhost
