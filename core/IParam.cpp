#include "core/IParam.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fx {

namespace {

constexpr int kJSONLimit = 8192;

const char* const kNoteNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ", "F#", "G ", "G#", "A ", "A#", "B "};

// Digits after the point that show the step exactly: 0 for whole steps, else the first p in
// 1..5 that makes step * 10^p whole, else 6.
int PrecisionForStep(double step)
{
  step = std::fabs(step);
  if (!std::isfinite(step) || std::floor(step) == step) return 0;
  double x = step;
  for (int p = 1; p <= 5; ++p)
  {
    x *= 10.0;
    if (std::floor(x) == x) return p;
  }
  return 6;
}

// The leading decimal number of text (blanks and a '+' allowed in front), 0 when there is none.
// Independent of the process locale.
double ParseLeadingNumber(const char* text)
{
  while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r') ++text;
  bool negative = false;
  if (*text == '+' || *text == '-')
  {
    negative = *text == '-';
    ++text;
    // One sign only: "+-5" is not a number (the converter below would take the second sign).
    if (*text == '+' || *text == '-') return 0.0;
  }
  double v = 0.0;
  const char* end = text + std::strlen(text);
  const auto res = std::from_chars(text, end, v, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range)
    v = std::strtod(text, nullptr); // overflow gives infinity, underflow 0
  else if (res.ec != std::errc())
    return 0.0;
  return negative ? -v : v;
}

// Appends text as a JSON string body (quotes, backslashes and control characters escaped).
void AppendJSONEscaped(FxString& out, const char* text)
{
  for (const char* p = text; *p; ++p)
  {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\')
    {
      const char esc[3] = {'\\', static_cast<char>(c), 0};
      out.Append(esc);
    }
    else if (c < 0x20)
      out.AppendFormatted(kJSONLimit, "\\u%04x", c);
    else
      out.Append(p, 1);
  }
}

} // namespace

IParam::IParam() : mShape(std::make_unique<ShapeLinear>()) {}

IParam::~IParam() = default;

bool IParam::HasUsableStep() const { return std::isfinite(mStep) && mStep > 0.0; }

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                        const char* label, int flags, const char* group, const Shape& shape, EParamUnitCode unit,
                        DisplayFunc displayFunc)
{
  if (mType == kTypeNone) mType = kTypeDouble;

  CopyTextField(mName, sizeof(mName), name);
  CopyTextField(mLabel, sizeof(mLabel), label);
  CopyTextField(mGroup, sizeof(mGroup), group);

  // A range or step that is not a number cannot map values: fall back to something usable.
  if (!std::isfinite(minVal)) minVal = 0.0;
  if (!std::isfinite(maxVal)) maxVal = minVal;
  if (std::isnan(step)) step = 0.0;
  if (std::isnan(defaultVal)) defaultVal = minVal;

  mMin = minVal;
  mMax = std::max(maxVal, (std::isfinite(step) && step > 0.0) ? minVal + step : minVal);
  mStep = step;
  mDefault = defaultVal;
  mUnit = unit;
  mFlags = flags;
  mDisplayFunc = std::move(displayFunc);

  mPrevious.store(mValue.load(std::memory_order_relaxed), std::memory_order_relaxed);
  mValue.store(Constrain(defaultVal), std::memory_order_relaxed);

  mDisplayPrecision = PrecisionForStep(step);

  mShape.reset(shape.Clone());
  mShape->Init(*this);
}

void IParam::InitBool(const char* name, bool defaultVal, const char* label, int flags, const char* group,
                      const char* offText, const char* onText)
{
  if (mType == kTypeNone) mType = kTypeBool;
  InitDouble(name, defaultVal ? 1.0 : 0.0, 0.0, 1.0, 1.0, label, flags | kFlagStepped, group, ShapeLinear(),
             kUnitCustom);
  SetDisplayText(0.0, offText);
  SetDisplayText(1.0, onText);
}

void IParam::InitEnumTexts(const char* name, int defaultVal, int nItems, const char* label, int flags,
                           const char* group)
{
  if (mType == kTypeNone) mType = kTypeEnum;
  InitDouble(name, defaultVal, 0.0, nItems - 1.0, 1.0, label, flags | kFlagStepped, group, ShapeLinear(),
             kUnitCustom);
}

void IParam::InitEnum(const char* name, int defaultVal, int nItems, const char* label, int flags, const char* group,
                      const char* firstItemText, ...)
{
  InitEnumTexts(name, defaultVal, nItems, label, flags, group);
  if (!firstItemText) return;
  SetDisplayText(0.0, firstItemText);
  va_list args;
  va_start(args, firstItemText);
  for (int i = 1; i < nItems; ++i) SetDisplayText(i, va_arg(args, const char*));
  va_end(args);
}

void IParam::InitEnum(const char* name, int defaultVal, std::initializer_list<const char*> items, int flags,
                      const char* group)
{
  InitEnumTexts(name, defaultVal, static_cast<int>(items.size()), "", flags, group);
  int i = 0;
  for (const char* text : items) SetDisplayText(i++, text);
}

void IParam::InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label, int flags,
                     const char* group)
{
  if (mType == kTypeNone) mType = kTypeInt;
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, label, flags | kFlagStepped, group, ShapeLinear(), kUnitCustom);
}

void IParam::InitPitch(const char* name, int defaultVal, int lowestNote, int highestNote, int flags,
                       const char* group, bool middleCisC4)
{
  if (mType == kTypeNone) mType = kTypeEnum;
  InitDouble(name, defaultVal, 0.0, static_cast<double>(highestNote) - lowestNote, 1.0, "", flags | kFlagStepped,
             group, ShapeLinear(), kUnitCustom);
  FxString text;
  for (long long k = lowestNote; k <= highestNote; ++k)
  {
    const long long pitchClass = ((k % 12) + 12) % 12;
    const long long octave = (k - pitchClass) / 12 - (middleCisC4 ? 1 : 2);
    text.SetFormatted(kMaxTextLen, "%s%lld", kNoteNames[pitchClass], octave);
    SetDisplayText(static_cast<double>(k - lowestNote), text.Get());
  }
}

void IParam::InitFrequency(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags,
                           const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "Hz", flags, group, ShapeExp(), kUnitFrequency);
}

void IParam::InitSeconds(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags,
                         const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "Seconds", flags, group, ShapeLinear(), kUnitSeconds);
}

void IParam::InitMilliseconds(const char* name, double defaultVal, double minVal, double maxVal, int flags,
                              const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "ms", flags, group, ShapeLinear(), kUnitMilliseconds);
}

void IParam::InitGain(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags,
                      const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "dB", flags, group, ShapeLinear(), kUnitDB);
}

void IParam::InitPercentage(const char* name, double defaultVal, double minVal, double maxVal, int flags,
                            const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "%", flags, group, ShapeLinear(), kUnitPercentage);
}

void IParam::InitAngleDegrees(const char* name, double defaultVal, double minVal, double maxVal, int flags,
                              const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "degrees", flags, group, ShapeLinear(), kUnitDegrees);
}

void IParam::InitFromCopy(const IParam& other, const char* searchText, const char* replaceText, const char* newGroup)
{
  // Everything is read first, so copying a parameter onto itself works too.
  std::string name = other.mName;
  if (searchText && *searchText)
  {
    const std::string search = searchText;
    const std::string replace = replaceText ? replaceText : "";
    for (size_t pos = name.find(search); pos != std::string::npos; pos = name.find(search, pos + replace.size()))
      name.replace(pos, search.size(), replace);
  }
  const std::string label = other.mLabel;
  const std::string group = (newGroup && *newGroup) ? newGroup : other.mGroup;
  std::unique_ptr<Shape> shape(other.mShape->Clone());
  DisplayFunc func = other.mDisplayFunc;
  FxTypedBuf<DisplayText> texts(kDisplayTextGranularity);
  for (int i = 0; i < other.GetNumDisplayTexts(); ++i) texts.Add(other.mDisplayTexts.Get()[i]);
  const int precision = other.mDisplayPrecision;

  if (mType == kTypeNone) mType = other.mType;
  InitDouble(name.c_str(), other.mDefault, other.mMin, other.mMax, other.mStep, label.c_str(), other.mFlags,
             group.c_str(), *shape, other.mUnit, std::move(func));
  mDisplayPrecision = precision;
  mDisplayTexts.Clear();
  for (int i = 0; i < texts.GetSize(); ++i) mDisplayTexts.Add(texts.Get()[i]);
}

double IParam::Constrain(double value) const
{
  if (std::isnan(value)) value = mDefault;
  if ((mFlags & kFlagStepped) && HasUsableStep()) value = std::round(value / mStep) * mStep;
  return std::min(mMax, std::max(mMin, value));
}

double IParam::Set(double value, bool* ok)
{
  if (std::isnan(value))
  {
    if (ok) *ok = false;
    return Value();
  }
  const double prev = mValue.exchange(Constrain(value));
  mPrevious.store(prev, std::memory_order_relaxed);
  if (ok) *ok = true;
  return prev;
}

double IParam::SetNormalized(double normalized, bool* ok)
{
  if (std::isnan(normalized))
  {
    if (ok) *ok = false;
    return Value();
  }
  return Set(FromNormalized(normalized), ok);
}

int IParam::Int() const
{
  const double v = std::round(Value());
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}

double IParam::FromNormalized(double normalized) const
{
  if (std::isnan(normalized)) return Constrain(mDefault);
  normalized = std::clamp(normalized, 0.0, 1.0);
  return Constrain(mShape->NormalizedToValue(normalized, *this));
}

double IParam::ToNormalized(double value) const
{
  if (std::isnan(value)) return 0.0;
  const double n = mShape->ValueToNormalized(value, *this);
  return std::isnan(n) ? 0.0 : std::clamp(n, 0.0, 1.0);
}

void IParam::SetLabel(const char* label) { CopyTextField(mLabel, sizeof(mLabel), label); }

void IParam::SetDisplayText(double value, const char* text)
{
  DisplayText entry;
  entry.mValue = value;
  CopyTextField(entry.mText, sizeof(entry.mText), text);
  mDisplayTexts.Add(entry);
}

const char* IParam::GetDisplayTextAtIdx(int idx, double* value) const
{
  if (idx < 0 || idx >= GetNumDisplayTexts()) return "";
  const DisplayText& entry = mDisplayTexts.Get()[idx];
  if (value) *value = entry.mValue;
  return entry.mText;
}

const char* IParam::GetDisplayText(double value) const
{
  const int n = GetNumDisplayTexts();
  for (int i = 0; i < n; ++i)
    if (mDisplayTexts.Get()[i].mValue == value) return mDisplayTexts.Get()[i].mText;
  return "";
}

bool IParam::MapDisplayText(const char* text, double* value) const
{
  if (!text) return false;
  const int n = GetNumDisplayTexts();
  for (int i = 0; i < n; ++i)
  {
    if (std::strcmp(mDisplayTexts.Get()[i].mText, text) == 0)
    {
      if (value) *value = mDisplayTexts.Get()[i].mValue;
      return true;
    }
  }
  return false;
}

void IParam::GetDisplay(double value, bool isNormalized, FxString& out, bool withDisplayText) const
{
  if (isNormalized)
    value = FromNormalized(value);
  else if (std::isnan(value))
    value = Constrain(value);

  if (mDisplayFunc)
  {
    mDisplayFunc(value, out);
    return;
  }

  if (withDisplayText)
  {
    const char* text = GetDisplayText(value);
    if (*text)
    {
      out.Set(text, kDisplayLen);
      return;
    }
  }

  if (mFlags & kFlagNegateDisplay) value = -value;
  if (value == 0.0) value = 0.0; // no "-0"

  if (mDisplayPrecision == 0)
  {
    const double r = std::round(value);
    if (r >= static_cast<double>(INT_MIN) && r <= static_cast<double>(INT_MAX))
      out.SetFormatted(kDisplayLen, "%d", static_cast<int>(r));
    else
      out.SetFormatted(kDisplayLen, "%.0f", r); // beyond int: the same digits, no overflow
  }
  else if ((mFlags & kFlagSignDisplay) && value != 0.0)
    out.SetFormatted(kDisplayLen, "%+.*f", mDisplayPrecision, value);
  else
    out.SetFormatted(kDisplayLen, "%.*f", mDisplayPrecision, value);
}

double IParam::StringToValue(const char* text) const
{
  if (!text) text = "";
  double mapped = 0.0;
  if (MapDisplayText(text, &mapped)) return mapped;
  if (mType == kTypeBool || mType == kTypeEnum) return 0.0;

  std::string copy = text;
  size_t k = copy.find('k');
  if (k == std::string::npos) k = copy.find('K');
  double v;
  if (k != std::string::npos)
  {
    copy[k] = '.';
    v = ParseLeadingNumber(copy.c_str()) * 1000.0;
  }
  else
  {
    v = ParseLeadingNumber(copy.c_str());
  }
  if (mFlags & kFlagNegateDisplay) v = -v;
  return Constrain(v);
}

void IParam::GetJSON(FxString& out, int index) const
{
  out.AppendFormatted(kJSONLimit, "{");
  out.AppendFormatted(kJSONLimit, "\"id\":%i, ", index);
  out.AppendFormatted(kJSONLimit, "\"name\":\"");
  AppendJSONEscaped(out, mName);
  out.AppendFormatted(kJSONLimit, "\", ");
  static const char* const kTypeNames[] = {nullptr, "bool", "int", "enum", "float"};
  if (mType >= kTypeBool && mType <= kTypeDouble) out.AppendFormatted(kJSONLimit, "\"type\":\"%s\", ", kTypeNames[mType]);
  out.AppendFormatted(kJSONLimit, "\"min\":%f, ", mMin);
  out.AppendFormatted(kJSONLimit, "\"max\":%f, ", mMax);
  out.AppendFormatted(kJSONLimit, "\"default\":%f, ", mDefault);
  out.AppendFormatted(kJSONLimit, "\"rate\":\"control\"");
  out.AppendFormatted(kJSONLimit, "}");
}

} // namespace fx
