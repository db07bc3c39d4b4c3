#pragma once
// The configuration record a product fills once and hands down the plug-in class chain,
// and the identifiers of the plug-in APIs the chain can be built for.
// Built and read on the thread that constructs the plug-in.

#include <cstdint>

namespace fx {

/** The plug-in API the chain is built for. */
enum EPluginAPI : int32_t
{
  kAPIVST2 = 0,
  kAPIVST3 = 1,
  kAPIAU = 2,
  kAPIAUv3 = 3,
  kAPIAAX = 4,
  kAPIAPP = 5,
  kAPIWAM = 6,
  kAPIWEB = 7,
};

/** Plug-in kinds carried in IFxConfig::plugType. */
enum EPlugType : int32_t
{
  kPlugTypeEffect = 0,
  kPlugTypeInstrument = 1,
  kPlugTypeMIDIEffect = 2,
};

/** Everything the framework needs to know about a product before it has any state.
 *  Texts are not owned: they must outlive the constructor call that reads them. */
struct IFxConfig
{
  int32_t nParams = 0;
  int32_t nPresets = 0;
  const char* channelIOStr = "";
  const char* pluginName = "";
  const char* productName = "";
  const char* mfrName = "";
  int32_t vendorVersion = 0;  // 0xMMMMmmbb
  int32_t uniqueID = 0;       // four-character plug-in code
  int32_t mfrID = 0;          // four-character maker code
  int32_t latency = 0;
  bool plugDoesMidiIn = false;
  bool plugDoesMidiOut = false;
  bool plugDoesMPE = false;
  bool plugDoesChunks = false;
  int32_t plugType = kPlugTypeEffect;
  bool plugHasUI = false;
  int32_t plugWidth = 0;
  int32_t plugHeight = 0;
  int32_t plugMinWidth = 0;
  int32_t plugMaxWidth = 0;
  int32_t plugMinHeight = 0;
  int32_t plugMaxHeight = 0;
  bool plugHostResize = false;
  const char* bundleID = "";
};

/** Packs four characters into the big-endian code hosts use for IDs ("BV57" -> 0x42563537). */
constexpr int32_t MakeFourCC(const char (&code)[5])
{
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
                              static_cast<uint32_t>(static_cast<unsigned char>(code[3])));
}

} // namespace fx
