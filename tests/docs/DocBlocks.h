#pragma once
// The shell examples of a Markdown page and the files they name, read as a reader reads them.
// A block fenced ```sh is an example to run beside build/; blocks fenced otherwise (```shell
// for commands on the whole checkout, such as make targets) are not examples of that kind.

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace docstest {

struct ShellBlock {
  int line = 0;  // of the opening fence, counted from 1
  std::string text;
};

inline std::vector<ShellBlock> ShellBlocks(const std::string& path) {
  std::ifstream in(path);
  std::vector<ShellBlock> blocks;
  std::string line;
  int number = 0;
  bool inside = false;
  while (std::getline(in, line)) {
    ++number;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    if (!inside && line == "```sh") {
      inside = true;
      blocks.push_back({number, {}});
    } else if (inside && line == "```") {
      inside = false;
    } else if (inside) {
      blocks.back().text += line + "\n";
    }
  }
  return blocks;
}

// The block's words as the shell splits them (quotes removed, continued lines joined, comments
// and here-document bodies left out); ";" stands for the end of every command.
inline std::vector<std::string> ShellWords(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream lines(text);
  std::string line, pending, hereEnd;
  auto endCommand = [&] {
    if (!words.empty() && words.back() != ";") words.push_back(";");
  };
  while (std::getline(lines, line)) {
    if (!hereEnd.empty()) {
      if (line == hereEnd) hereEnd.clear();
      continue;
    }
    if (!line.empty() && line.back() == '\\') {
      pending += line.substr(0, line.size() - 1) + " ";
      continue;
    }
    line = pending + line;
    pending.clear();
    const size_t firstOfLine = words.size();
    std::string word;
    bool inWord = false;
    char quote = 0;
    auto flush = [&] {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    };
    for (size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (quote != 0) {
        if (c == quote) quote = 0;
        else word += c;
      } else if (c == '\'' || c == '"') {
        quote = c;
        inWord = true;
      } else if (c == '#' && !inWord) {
        break;
      } else if (c == ' ' || c == '\t') {
        flush();
      } else if (c == ';' || c == '|' || c == '&') {
        flush();
        endCommand();
      } else {
        word += c;
        inWord = true;
      }
    }
    flush();
    // A here-document: its body, up to the line holding only its word, is not commands.
    for (size_t i = firstOfLine; i < words.size(); ++i) {
      const std::string& w = words[i];
      if (w == "<<" && i + 1 < words.size()) hereEnd = words[i + 1];
      else if (w.rfind("<<", 0) == 0) hereEnd = w.substr(w[2] == '-' ? 3 : 2);
    }
    endCommand();
  }
  return words;
}

// The files the block's host and demo-generator commands read and write.
struct NamedFiles {
  std::vector<std::string> inputs;   // sound files read (IN of process, --input) not written before
  std::vector<std::string> outputs;  // OUT, --png, --save-state and the demo generator's file
};

inline NamedFiles FilesOf(const std::vector<std::string>& words) {
  static const std::set<std::string> kTakesValue = {
      "--set", "--preset", "--load-state", "--save-state", "--block", "--seed", "--automate",
      "--host-name", "--component", "--png", "--events", "--input", "--scale", "--at",
      "--seconds", "--rate", "--peak-db"};
  NamedFiles files;
  std::set<std::string> written;
  auto isProgram = [](const std::string& w, const std::string& name) {
    return w == name || (w.size() > name.size() && w.compare(w.size() - name.size() - 1, std::string::npos, "/" + name) == 0);
  };
  auto reads = [&](const std::string& f) {
    if (!written.count(f)) files.inputs.push_back(f);
  };
  auto writes = [&](const std::string& f) {
    if (f == "-" || f.rfind("/dev/", 0) == 0) return;
    files.outputs.push_back(f);
    written.insert(f);
  };
  for (size_t start = 0; start < words.size();) {
    size_t end = start;
    while (end < words.size() && words[end] != ";") ++end;
    enum class Kind { kOther, kProcess, kEditor, kDemo } kind = Kind::kOther;
    std::vector<std::string> positional;
    for (size_t i = start; i < end; ++i) {
      const std::string& w = words[i];
      if (kind == Kind::kOther) {
        if (isProgram(w, "orbex9-demo-gen")) kind = Kind::kDemo;
        else if (i > start && isProgram(words[i - 1], "orbex9-host") && w == "process") kind = Kind::kProcess;
        else if (i > start && isProgram(words[i - 1], "orbex9-host") && w == "editor") kind = Kind::kEditor;
        continue;
      }
      if (w.rfind("--", 0) == 0) {
        const size_t eq = w.find('=');
        const std::string name = w.substr(0, eq);
        std::string value;
        if (eq != std::string::npos) value = w.substr(eq + 1);
        else if (kTakesValue.count(name) && i + 1 < end) value = words[++i];
        if (name == "--input") reads(value);
        if (name == "--png" || name == "--save-state") writes(value);
        continue;
      }
      if (w[0] == '>' || w[0] == '<' || w.rfind("2>", 0) == 0) break;  // redirections end the arguments
      positional.push_back(w);
    }
    if (kind == Kind::kProcess && positional.size() >= 2) {
      reads(positional[0]);
      writes(positional[1]);
    }
    if (kind == Kind::kDemo && !positional.empty()) writes(positional[0]);
    start = end + 1;
  }
  return files;
}

}  // namespace docstest
