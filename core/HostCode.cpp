#include "core/HostCode.h"

#include <cstring>

namespace fx {

namespace {

struct HostKey
{
  const char* key;
  int32_t code;
};

// Search order matters: a key that contains another key stands before it.
constexpr HostKey kHostKeys[] = {
  {"vst live", kHostVSTLive},
  {"reaper", kHostReaper},
  {"protools", kHostProTools},
  {"cubase", kHostCubase},
  {"nuendo", kHostNuendo},
  {"cakewalk", kHostCakewalk},
  {"vegas", kHostVegas},
  {"fruity", kHostFL},
  {"samplitude", kHostSamplitude},
  {"live", kHostAbletonLive},
  {"tracktion", kHostTracktion},
  {"ntracks", kHostNTracks},
  {"melodyne", kHostMelodyneStudio},
  {"vstmanlib", kHostVSTScanner},
  {"aulab", kHostAULab},
  {"forte", kHostForte},
  {"chainer", kHostChainer},
  {"audition", kHostAudition},
  {"orion", kHostOrion},
  {"bias", kHostBias},
  {"sawstudio", kHostSAWStudio},
  {"logic", kHostLogic},
  {"garageband", kHostGarageBand},
  {"digital", kHostDigitalPerformer},
  {"audiomulch", kHostAudioMulch},
  {"presonus", kHostStudioOne},
  {"vst3plugintesthost", kHostVST3TestHost},
  {"ardour", kHostArdour},
  {"renoise", kHostRenoise},
  {"openmpt", kHostOpenMPT},
  {"wavelab elements", kHostWaveLabElements},
  {"wavelab", kHostWaveLab},
  {"twistedwave", kHostTwistedWave},
  {"bitwig studio", kHostBitwig},
  {"reason", kHostReason},
  {"gwvst", kHostGoldWave},
  {"waveform", kHostWaveform},
  {"audacity", kHostAudacity},
  {"acoustica", kHostAcoustica},
  {"plugindoctor", kHostPluginDoctor},
  {"izotope rx", kHostIZotopeRX},
  {"savihost", kHostSAVIHost},
  {"blue cat's vst host", kHostBlueCat},
  {"blue cat's vst3 host", kHostBlueCat3},
  {"sadie", kHostSadie},
  {"spectralayers", kHostSpectraLayers},
  {"vsthost", kHostVSTHost},
  {"vst plugin analyser", kHostVSTPluginAnalyser},
  {"wavosaur", kHostWavosaur},
  {"mixbus32c", kHostMixbus32C},
  {"kv_elementfx", kHostElement},
  {"element", kHostElement},
  {"juce vst host", kHostJUCEHost},
  {"komplete kontrol", kHostKompleteKontrol},
  {"vst3shell", kHostVST3Shell},
  {kStageMixBundleID, kHostStageMix},
  {"audiogridderserver", kHostAudioGridder},
  {"equalizer apo", kHostEqualizerAPO},
  {"architect", kHostArchitect},
  {"izotope vst3 host", kHostIZotopeVST3Host},
  {"cantabile 3", kHostCantabile},
  {"plugin buddy", kHostPluginBuddy},
  {"finalcut", kHostFinalCut},
  {"dream ii", kHostDreamII},
  {"ua vst3 host", kHostUAVST3Host},
  {"metaplugin", kHostMetaPlugin},
  {"standalone", kHostStandalone},
};

char ToLowerASCII(char c)
{
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

int LookUpHost(const char* hostName)
{
  if (!hostName) return kHostUnknown;

  char name[256];
  int len = 0;
  for (; len < 255 && hostName[len]; ++len) name[len] = ToLowerASCII(hostName[len]);
  name[len] = '\0';

  for (const HostKey& k : kHostKeys)
    if (std::strstr(name, k.key)) return k.code;

  if (std::strstr(name, "www")) return kHostWWW;
  return kHostUnknown;
}

} // namespace fx
