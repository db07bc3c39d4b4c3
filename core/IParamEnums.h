#pragma once
// Kinds, unit codes and flag bits of a plug-in parameter. The numbers are stored in state and
// mapped to the host's parameter information, so they never change.

namespace fx {

enum EParamKind : int
{
  kTypeNone = 0,
  kTypeBool = 1,
  kTypeInt = 2,
  kTypeEnum = 3,
  kTypeDouble = 4,
};

enum EParamUnitCode : int
{
  kUnitPercentage = 0,
  kUnitSeconds = 1,
  kUnitMilliseconds = 2,
  kUnitSamples = 3,
  kUnitDB = 4,
  kUnitLinearGain = 5,
  kUnitPan = 6,
  kUnitPhase = 7,
  kUnitDegrees = 8,
  kUnitMeters = 9,
  kUnitRate = 10,
  kUnitRatio = 11,
  kUnitFrequency = 12,
  kUnitOctaves = 13,
  kUnitCents = 14,
  kUnitAbsCents = 15,
  kUnitSemitones = 16,
  kUnitMIDINote = 17,
  kUnitMIDICtrlNum = 18,
  kUnitBPM = 19,
  kUnitBeats = 20,
  kUnitCustom = 21, // the label names the unit
};

enum EParamFlagBits : int
{
  kFlagsNone = 0,
  kFlagCannotAutomate = 0x1, // reported to the host as not real-time
  kFlagStepped = 0x2,        // values are rounded to a multiple of the step
  kFlagNegateDisplay = 0x4,  // display shows, and parsing takes, the negated value
  kFlagSignDisplay = 0x8,    // non-zero values print with an explicit sign
  kFlagMeta = 0x10,          // changing it changes other parameters
};

} // namespace fx
