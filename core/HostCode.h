#pragma once
// Identification of the host application from the name or bundle identifier it announces.
// Free functions without state; any thread (called on the main thread at initialisation).

#include <cstdint>

namespace fx {

/** The identified host. kHostUninit until identification ran, kHostUnknown when nothing matched. */
enum EHostCode : int32_t
{
  kHostUninit = -1,
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostCakewalk = 5,
  kHostVegas = 6,
  kHostFL = 7,
  kHostSamplitude = 8,
  kHostAbletonLive = 9,
  kHostTracktion = 10,
  kHostNTracks = 11,
  kHostMelodyneStudio = 12,
  kHostVSTScanner = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostBias = 19,
  kHostSAWStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigitalPerformer = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostStudioOne = 26,
  kHostVST3TestHost = 27,
  kHostArdour = 28,
  kHostRenoise = 29,
  kHostOpenMPT = 30,
  kHostWaveLab = 31,
  kHostWaveLabElements = 32,
  kHostTwistedWave = 33,
  kHostBitwig = 34,
  kHostWWW = 35,
  kHostReason = 36,
  kHostGoldWave = 37,
  kHostWaveform = 38,
  kHostAudacity = 39,
  kHostAcoustica = 40,
  kHostPluginDoctor = 41,
  kHostIZotopeRX = 42,
  kHostSAVIHost = 43,
  kHostBlueCat = 44,
  kHostBlueCat3 = 45,
  kHostSadie = 46,
  kHostSpectraLayers = 47,
  kHostVSTHost = 48,
  kHostVSTPluginAnalyser = 49,
  kHostWavosaur = 50,
  kHostMixbus32C = 51,
  kHostElement = 52,
  kHostJUCEHost = 53,
  kHostKompleteKontrol = 54,
  kHostVST3Shell = 55,
  kHostStageMix = 56,
  kHostAudioGridder = 57,
  kHostVSTLive = 58,
  kHostEqualizerAPO = 59,
  kHostArchitect = 60,
  kHostIZotopeVST3Host = 61,
  kHostCantabile = 62,
  kHostPluginBuddy = 63,
  kHostFinalCut = 64,
  kHostDreamII = 65,
  kHostUAVST3Host = 66,
  kHostMetaPlugin = 67,
};

/** Bundle identifier searched for kHostStageMix. */
inline constexpr const char* kStageMixBundleID = "com.velmora.stagemix";

/** Host code for a host name or bundle identifier, ignoring case; only the first 255
 *  characters are examined. Null, empty or unknown names give kHostUnknown; a name with
 *  no known key but "www" gives kHostWWW. */
int LookUpHost(const char* hostName);

} // namespace fx
