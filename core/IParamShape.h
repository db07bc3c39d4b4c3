#pragma once
// Curves that map the host's normalised 0..1 onto a parameter's own range.
// Built during initialisation; read-only afterwards, so any thread may map values.

namespace fx {

class IParam;

// Display-type numbers the host adapter and the controls use to draw a curve.
enum EShapeDisplayType : int
{
  kDisplayLinear = 0,
  kDisplayLog = 1,
  kDisplaySquareRoot = 3,
  kDisplaySquared = 4,
  kDisplayCubeRoot = 5,
  kDisplayCubed = 6,
};

class IParamShape
{
public:
  virtual ~IParamShape() = default;
  // A new copy with the same coefficients.
  virtual IParamShape* Clone() const = 0;
  // Called with the owning parameter after every InitDouble.
  virtual void Init(const IParam& param) = 0;
  virtual int GetDisplayType() const = 0;
  virtual double NormalizedToValue(double normalized, const IParam& param) const = 0;
  virtual double ValueToNormalized(double value, const IParam& param) const = 0;
};

// min + n * (max - min).
class ShapeLinear : public IParamShape
{
public:
  IParamShape* Clone() const override { return new ShapeLinear(*this); }
  void Init(const IParam&) override {}
  int GetDisplayType() const override { return kDisplayLinear; }
  double NormalizedToValue(double normalized, const IParam& param) const override;
  double ValueToNormalized(double value, const IParam& param) const override;
};

// min + n^e * (max - min). An exponent that is not a positive finite number acts as 1.
class ShapePowCurve : public IParamShape
{
public:
  explicit ShapePowCurve(double exponent) : mShape(exponent) {}
  IParamShape* Clone() const override { return new ShapePowCurve(*this); }
  void Init(const IParam&) override {}
  int GetDisplayType() const override;
  double NormalizedToValue(double normalized, const IParam& param) const override;
  double ValueToNormalized(double value, const IParam& param) const override;
  double GetExponent() const { return mShape; }

private:
  double EffectiveExponent() const;
  double mShape;
};

// exp(add + n * mul), with add = ln(lo), mul = ln(max / lo), lo = min when min > 0 else 1e-08.
// A range whose top is not above lo cannot be exponential and maps linearly instead.
class ShapeExp : public IParamShape
{
public:
  IParamShape* Clone() const override { return new ShapeExp(*this); }
  void Init(const IParam& param) override;
  int GetDisplayType() const override { return kDisplayLog; }
  double NormalizedToValue(double normalized, const IParam& param) const override;
  double ValueToNormalized(double value, const IParam& param) const override;
  double GetMul() const { return mMul; }
  double GetAdd() const { return mAdd; }

private:
  double mMul = 1.0;
  double mAdd = 1.0;
  bool mLinear = false;
};

} // namespace fx
