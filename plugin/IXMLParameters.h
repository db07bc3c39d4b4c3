#pragma once
// The descriptor table naming the parameters that belong to a preset document when the table
// filter is applied. Constant data; any thread.

#include <cstdint>

namespace fx {
class IParam;
}

/** One row: parameter key, parameter index, value kind (2 integer, 4 real), print format.
 *  A table ends with a row whose index is -1; a first row with index -2 switches to
 *  per-parameter selection (IParam::GetSelected). */
struct XMLParamDescriptor
{
  static constexpr int32_t kEnd = -1;
  static constexpr int32_t kBySelection = -2;
  static constexpr int32_t kKindInt = 2;
  static constexpr int32_t kKindReal = 4;

  const char* key;
  int32_t paramIdx;
  int32_t kind;
  const char* format;
};

class IXMLParameters
{
public:
  virtual ~IXMLParameters() = default;

  /** The limiter's table: the processing and meter parameters 3..14. */
  static const XMLParamDescriptor* ParamTable();

  /** Whether the table selects parameter paramIdx (param may be null except for a selection
   *  table). A null table selects nothing. */
  static bool TableSelects(const XMLParamDescriptor* table, int paramIdx, const fx::IParam* param);
};
