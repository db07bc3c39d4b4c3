#include "graphics/svg/SVGXmlGuard.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace fx::svg::detail {

namespace {

bool xmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
// Names are kept to ASCII: every name SVG uses is, and the parser misreads some others.
bool nameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':'; }
bool nameChar(char c) { return nameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// Length of the well-formed UTF-8 sequence at s (s non-empty), or 0.
size_t utf8Length(std::string_view s)
{
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned c = b(0);
  if (c < 0x80) return 1;
  size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (n == 0 || s.size() < n) return 0;
  for (size_t i = 1; i < n; i++)
    if ((b(i) & 0xC0) != 0x80) return 0;
  // No overlong forms, surrogates or code points past U+10FFFF.
  if ((c == 0xE0 && b(1) < 0xA0) || (c == 0xED && b(1) > 0x9F) || (c == 0xF0 && b(1) < 0x90) ||
      (c == 0xF4 && b(1) > 0x8F))
    return 0;
  return n;
}

// Appends text with every byte that is not part of well-formed UTF-8 replaced by '?'.
void appendUtf8(std::string& out, std::string_view text)
{
  while (!text.empty())
  {
    const size_t n = utf8Length(text);
    if (n == 0)
      out += '?';
    else
      out.append(text.substr(0, n));
    text.remove_prefix(n ? n : 1);
  }
}

class Guard
{
public:
  explicit Guard(std::string_view in) : in_(in) {}

  std::string run()
  {
    while (p_ < in_.size() && !rootDone_)
    {
      const size_t lt = in_.find('<', p_);
      if (lt == std::string_view::npos) break;
      p_ = lt;
      if (!markup()) break; // damage: keep what came before
    }
    // Close whatever is still open.
    for (size_t i = open_.size(); i-- > 0;)
      if (int(i) < kMaxXmlDepth) closeTag(open_[i]);
    return std::move(out_);
  }

private:
  bool skipTo(std::string_view end)
  {
    const size_t e = in_.find(end, p_);
    if (e == std::string_view::npos) return false;
    p_ = e + end.size();
    return true;
  }

  bool startsWith(std::string_view s) const { return in_.substr(p_, s.size()) == s; }

  // A declaration such as a document type, with an internal subset in brackets.
  bool declaration()
  {
    int brackets = 0;
    char quote = 0;
    for (p_ += 2; p_ < in_.size(); p_++)
    {
      const char c = in_[p_];
      if (quote)
      {
        if (c == quote) quote = 0;
      }
      else if (c == '"' || c == '\'')
        quote = c;
      else if (c == '[')
        brackets++;
      else if (c == ']')
        brackets--;
      else if (c == '>' && brackets <= 0)
      {
        p_++;
        return true;
      }
    }
    return false;
  }

  void closeTag(std::string_view n)
  {
    out_ += "</";
    out_ += n;
    out_ += '>';
  }

  // A name ended by white space, '/', '>' or '='; empty when there is none.
  std::string_view name()
  {
    const size_t s = p_;
    if (p_ >= in_.size() || !nameStart(in_[p_])) return {};
    while (p_ < in_.size() && nameChar(in_[p_])) p_++;
    if (p_ < in_.size() && !xmlSpace(in_[p_]) && in_[p_] != '/' && in_[p_] != '>' && in_[p_] != '=') return {};
    return in_.substr(s, p_ - s);
  }

  void space()
  {
    while (p_ < in_.size() && xmlSpace(in_[p_])) p_++;
  }

  bool markup()
  {
    if (startsWith("<!--")) return skipTo("-->");
    if (startsWith("<![CDATA[")) return skipTo("]]>");
    if (startsWith("<!")) return declaration();
    if (startsWith("<?")) return skipTo("?>");
    if (startsWith("</")) return endTag();
    return startTag();
  }

  bool endTag()
  {
    p_ += 2;
    const std::string_view n = name();
    space();
    if (n.empty() || p_ >= in_.size() || in_[p_] != '>') return false;
    p_++;
    if (open_.empty() || open_.back() != n) return false;
    open_.pop_back();
    if (int(open_.size()) < kMaxXmlDepth) closeTag(n);
    rootDone_ = open_.empty();
    return true;
  }

  bool startTag()
  {
    p_++;
    const std::string_view n = name();
    if (n.empty()) return false;
    const bool keep = int(open_.size()) < kMaxXmlDepth;
    std::string tag = "<";
    tag += n;
    std::vector<std::string_view> names;
    for (;;)
    {
      const size_t before = p_;
      space();
      if (p_ >= in_.size()) return false;
      if (in_[p_] == '>' || in_.substr(p_, 2) == "/>")
      {
        const bool empty = in_[p_] == '/';
        p_ += empty ? 2 : 1;
        if (keep) out_ += tag + (empty ? "/>" : ">");
        if (!empty) open_.push_back(n);
        rootDone_ = empty && open_.empty();
        return true;
      }
      if (p_ == before) return false; // attributes are separated by white space
      const std::string_view an = name();
      if (an.empty()) return false;
      space();
      if (p_ >= in_.size() || in_[p_] != '=') return false;
      p_++;
      space();
      if (p_ >= in_.size() || (in_[p_] != '"' && in_[p_] != '\'')) return false;
      const char q = in_[p_];
      const size_t vs = p_;
      const size_t ve = in_.find(q, vs + 1);
      if (ve == std::string_view::npos) return false;
      const std::string_view value = in_.substr(vs, ve - vs + 1);
      if (value.find('<') != std::string_view::npos) return false;
      p_ = ve + 1;
      bool repeated = false;
      for (const auto& seen : names) repeated = repeated || seen == an;
      if (!repeated && names.size() < size_t(kMaxAttributes))
      {
        names.push_back(an);
        tag += ' ';
        tag += an;
        tag += '=';
        appendUtf8(tag, value);
      }
    }
  }

  std::string_view in_;
  size_t p_ = 0;
  std::string out_;
  std::vector<std::string_view> open_;
  bool rootDone_ = false;
};

} // namespace

std::string guardXml(const char* data, size_t size)
{
  if (!data) return {};
  const void* nul = std::memchr(data, 0, size);
  const size_t n = nul ? size_t(static_cast<const char*>(nul) - data) : size;
  return Guard(std::string_view(data, n)).run();
}

} // namespace fx::svg::detail
