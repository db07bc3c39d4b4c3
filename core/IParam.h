#pragma once
// One automatable plug-in parameter: kind, unit, range, step, default and current value,
// display and parsing rules, and the curve between the host's normalised 0..1 and its range.
//
// Threads: the Init* calls, SetDisplayText and the other setters run once during construction,
// before the host sees the plug-in. Afterwards only the value changes: Set / SetNormalized may
// run on any thread (atomic exchange); every other call only reads and is safe from any thread.

#include "core/FxString.h"
#include "core/FxTextField.h"
#include "core/FxTypedBuf.h"
#include "core/IParamEnums.h"
#include "core/IParamShape.h"

#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>

namespace fx {

class IParam
{
public:
  using Shape = IParamShape;
  using ShapeLinear = fx::ShapeLinear;
  using ShapePowCurve = fx::ShapePowCurve;
  using ShapeExp = fx::ShapeExp;
  using DisplayFunc = std::function<void(double value, FxString& text)>;

  static constexpr int kMaxTextLen = 31; // name, label, group and display texts; longer ones are cut
  static constexpr int kDisplayLen = 32; // longest formatted display
  static constexpr int kDisplayTextGranularity = 4096;

  struct DisplayText
  {
    double mValue;
    char mText[kMaxTextLen + 1];
  };

  IParam();
  ~IParam();
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // Initialisers. Each sets the kind only while it is still kTypeNone, then runs InitDouble.
  // Null texts are taken as "".
  void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                  const char* label = "", int flags = 0, const char* group = "",
                  const Shape& shape = ShapeLinear(), EParamUnitCode unit = kUnitCustom,
                  DisplayFunc displayFunc = nullptr);
  void InitBool(const char* name, bool defaultVal, const char* label = "", int flags = 0,
                const char* group = "", const char* offText = "off", const char* onText = "on");
  // Takes nItems texts after firstItemText when it is not null (C variadic list of const char*).
  void InitEnum(const char* name, int defaultVal, int nItems, const char* label = "", int flags = 0,
                const char* group = "", const char* firstItemText = nullptr, ...);
  void InitEnum(const char* name, int defaultVal, std::initializer_list<const char*> items, int flags = 0,
                const char* group = "");
  void InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label = "", int flags = 0,
               const char* group = "");
  void InitPitch(const char* name, int defaultVal = 60, int lowestNote = 0, int highestNote = 128, int flags = 0,
                 const char* group = "", bool middleCisC4 = false);
  void InitFrequency(const char* name, double defaultVal = 1000.0, double minVal = 0.1, double maxVal = 10000.0,
                     double step = 0.1, int flags = 0, const char* group = "");
  void InitSeconds(const char* name, double defaultVal = 1.0, double minVal = 0.0, double maxVal = 10.0,
                   double step = 0.1, int flags = 0, const char* group = "");
  void InitMilliseconds(const char* name, double defaultVal = 1.0, double minVal = 0.0, double maxVal = 100.0,
                        int flags = 0, const char* group = "");
  void InitGain(const char* name, double defaultVal = 0.0, double minVal = -70.0, double maxVal = 24.0,
                double step = 0.5, int flags = 0, const char* group = "");
  void InitPercentage(const char* name, double defaultVal = 0.0, double minVal = 0.0, double maxVal = 100.0,
                      int flags = 0, const char* group = "");
  void InitAngleDegrees(const char* name, double defaultVal = 0.0, double minVal = 0.0, double maxVal = 360.0,
                        int flags = 0, const char* group = "");
  // Copies another parameter; every occurrence of searchText in its name becomes replaceText,
  // and newGroup (when not empty) replaces its group.
  void InitFromCopy(const IParam& other, const char* searchText = nullptr, const char* replaceText = nullptr,
                    const char* newGroup = nullptr);

  // Value. Constrain rounds to the step (when stepped) and clamps to the range; NaN gives the
  // default. Set stores the constrained value by atomic exchange, keeps the previous one and
  // returns it; a NaN is refused (nothing stored, false returned through ok when given).
  double Constrain(double value) const;
  double Set(double value, bool* ok = nullptr);
  double SetNormalized(double normalized, bool* ok = nullptr);
  double Value() const { return mValue.load(std::memory_order_relaxed); }
  double GetPrevious() const { return mPrevious.load(std::memory_order_relaxed); }
  bool Bool() const { return Value() >= 0.5; }
  int Int() const;
  double GetNormalized() const { return ToNormalized(Value()); }
  // Through the shape; the normalised input is clamped to 0..1 (NaN gives the default), the result
  // is constrained. ToNormalized clamps to 0..1 and gives 0 for NaN.
  double FromNormalized(double normalized) const;
  double ToNormalized(double value) const;

  // Display.
  void SetDisplayText(double value, const char* text);
  void SetDisplayPrecision(int precision) { mDisplayPrecision = precision < 0 ? 0 : precision; }
  void SetDisplayFunc(DisplayFunc func) { mDisplayFunc = std::move(func); }
  void SetLabel(const char* label);
  int GetNumDisplayTexts() const { return mDisplayTexts.GetSize(); }
  // "" for an index outside the range (value then untouched).
  const char* GetDisplayTextAtIdx(int idx, double* value = nullptr) const;
  // Text of the first entry whose value equals value exactly, else "".
  const char* GetDisplayText(double value) const;
  bool MapDisplayText(const char* text, double* value) const;
  void GetDisplay(double value, bool isNormalized, FxString& out, bool withDisplayText = true) const;
  void GetDisplay(FxString& out, bool withDisplayText = true) const { GetDisplay(Value(), false, out, withDisplayText); }
  // Parses a typed or displayed text into a value of the parameter's own range.
  double StringToValue(const char* text) const;
  // Appends one JSON object describing the parameter.
  void GetJSON(FxString& out, int index) const;

  // Read-only description.
  const char* GetName() const { return mName; }
  const char* GetLabel() const { return mLabel; }
  const char* GetGroup() const { return mGroup; }
  EParamKind Type() const { return mType; }
  EParamUnitCode Unit() const { return mUnit; }
  int GetFlags() const { return mFlags; }
  bool GetCanAutomate() const { return !(mFlags & kFlagCannotAutomate); }
  bool GetStepped() const { return mFlags & kFlagStepped; }
  bool GetNegateDisplay() const { return mFlags & kFlagNegateDisplay; }
  bool GetSignDisplay() const { return mFlags & kFlagSignDisplay; }
  bool GetMeta() const { return mFlags & kFlagMeta; }
  double GetStep() const { return mStep; }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  void GetBounds(double& lo, double& hi) const { lo = mMin; hi = mMax; }
  double GetRange() const { return mMax - mMin; }
  double GetDefault(bool normalized = false) const { return normalized ? ToNormalized(mDefault) : mDefault; }
  int GetDisplayPrecision() const { return mDisplayPrecision; }
  const Shape* GetShape() const { return mShape.get(); }
  int GetShapeDisplayType() const { return mShape->GetDisplayType(); }
  const DisplayFunc& GetDisplayFunc() const { return mDisplayFunc; }

  // Marks used only by the product's preset-file code.
  bool GetSelected() const { return mSelected; }
  void SetSelected(bool selected) { mSelected = selected; }
  bool GetSkipAtStartup() const { return mSkipAtStartup; }
  void SetSkipAtStartup(bool skip) { mSkipAtStartup = skip; }

private:
  void InitEnumTexts(const char* name, int defaultVal, int nItems, const char* label, int flags, const char* group);
  bool HasUsableStep() const;

  EParamKind mType = kTypeNone;
  EParamUnitCode mUnit = kUnitCustom;
  std::atomic<double> mValue{0.0};
  std::atomic<double> mPrevious{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  int mFlags = 0;
  bool mSelected = true;
  bool mSkipAtStartup = false;
  char mName[kMaxTextLen + 1] = {};
  char mLabel[kMaxTextLen + 1] = {};
  char mGroup[kMaxTextLen + 1] = {};
  std::unique_ptr<Shape> mShape;
  DisplayFunc mDisplayFunc;
  FxTypedBuf<DisplayText> mDisplayTexts{kDisplayTextGranularity};
};

} // namespace fx
