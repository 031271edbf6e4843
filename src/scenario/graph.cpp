#include "scenario/graph.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "platform/text/cp932.h"
#include "scenario/commands.h"
#include "scenario/pack.h"

namespace {

// The choice offers a node's first three children, one for each answer of #SELECTANSWER.
constexpr int kOfferedChoices = 3;
// The game reads a title or an answer argument into a buffer of this size.
constexpr size_t kArgBytes = 256;

struct Jump {
  TCommandId id;
  int target;         // absolute index, -1 when no title begins with the argument
  std::string title;  // the argument, CP932
};

// What the lines of a node do to the course of the story.
struct NodeCourse {
  bool hasAnswers = false;
  std::string answers[kOfferedChoices];  // of the node's last #SELECTANSWER (the one in effect)
  std::vector<Jump> jumps;
  std::vector<int> endings;  // the numbers of its #GOENDING commands
  bool goTitle = false;
};

NodeCourse readCourse(const TNodeTree& tree, const TScenarioNode& node) {
  NodeCourse c;
  std::string_view body = node.BodyText();
  while (!body.empty()) {
    size_t eol = body.find('\n');
    std::string line(body.substr(0, eol));
    body.remove_prefix(eol == std::string_view::npos ? body.size() : eol + 1);
    if (ClassifyLine(line.c_str()) != lkCommand) continue;
    const char* args = nullptr;
    const TCommandName* command = MatchCommandName(line.c_str(), &args);
    if (!command) continue;
    char field[kArgBytes];
    switch (command->id) {
      case ciSelectAnswer:
        c.hasAnswers = true;
        for (int i = 0; i < kOfferedChoices; ++i) {
          ParseStrArg(args, field, sizeof field, i);
          c.answers[i] = field;
        }
        break;
      case ciGoto:
      case ciGotoNodeFirst:
      case ciGotoNodeSelect:
        ParseStrArg(args, field, sizeof field, 0);
        c.jumps.push_back({command->id, tree.FindTitlePrefix(field), field});
        break;
      case ciGoEnding:
        c.endings.push_back(ParseIntArg(args, 0));
        break;
      case ciGoTitle:
        c.goTitle = true;
        break;
      default:
        break;
    }
  }
  return c;
}

// CP932 text as the inside of a DOT string: UTF-8, with quotes, backslashes and line breaks
// escaped (a backslash before a letter would be one of dot's own label escapes).
std::string dotText(std::string_view cp932) {
  std::string s;
  for (char c : Cp932ToUtf8(cp932)) {
    if (c == '"' || c == '\\') {
      s += '\\';
      s += c;
    } else if (c == '\n') {
      s += "\\n";
    } else if (c != '\r') {
      s += c;
    }
  }
  return s;
}

bool endsWithSsf(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".ssf";
}

// The program's full path when it is an executable file in a folder of PATH; "" otherwise.
std::string findOnPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "";
  while (!dirs.empty()) {
    size_t colon = dirs.find(':');
    std::string dir(dirs.substr(0, colon));
    dirs.remove_prefix(colon == std::string_view::npos ? dirs.size() : colon + 1);
    std::string file = (dir.empty() ? "." : dir) + "/" + program;
    struct stat st;
    if (::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(file.c_str(), X_OK) == 0) {
      return file;
    }
  }
  return {};
}

// Runs dot -Tsvg -o svgPath on the DOT text (handed over in a temporary file). Returns the exit
// status for the tool.
int runDot(const std::string& dot, const std::string& text, const std::string& svgPath,
           std::ostream& err) {
  const char* tmp = std::getenv("TMPDIR");
  std::string temp = std::string(tmp && *tmp ? tmp : "/tmp") + "/miravel-graph-XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    err << "miravel-graph: cannot make a temporary file: " << std::strerror(errno) << '\n';
    return 1;
  }
  bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  written = ::close(fd) == 0 && written;
  if (!written) {
    err << "miravel-graph: cannot write " << temp << '\n';
    ::unlink(temp.c_str());
    return 1;
  }
  pid_t child = ::fork();
  if (child == 0) {
    const char* args[] = {"dot", "-Tsvg", "-o", svgPath.c_str(), temp.c_str(), nullptr};
    ::execv(dot.c_str(), const_cast<char* const*>(args));
    ::_exit(127);
  }
  int status = 0;
  bool ran = child > 0;
  while (ran && ::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) ran = false;
  }
  ::unlink(temp.c_str());
  if (!ran || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    err << "miravel-graph: " << dot << " failed";
    if (ran && WIFEXITED(status)) err << " (exit status " << WEXITSTATUS(status) << ')';
    err << "; " << svgPath << " not written\n";
    return 1;
  }
  return 0;
}

const char kUsage[] =
    "usage: miravel-graph [--plain] FILE [--svg OUT.svg]\n"
    "Writes the story of FILE (a .ssf scenario file, or UTF-8 text) as a Graphviz DOT graph.\n"
    "--svg OUT.svg: run Graphviz's dot to draw the graph into OUT.svg instead\n"
    "--plain: the scenario file is not scrambled\n";

}  // namespace

std::string FormatScenarioGraph(const TNodeTree& tree) {
  std::string s = "digraph scenario {\n  node [shape=box];\n";
  int missing = 0;
  for (int i = 0; i < tree.Count(); ++i) {
    const TScenarioNode& node = *tree.Item(i);
    const NodeCourse c = readCourse(tree, node);
    const std::string id = "n" + std::to_string(i);

    std::string label = node.Text().empty() ? "(untitled)" : dotText(node.Text());
    for (int n : c.endings) label += "\\n[ending " + std::to_string(n) + "]";
    if (c.goTitle) label += "\\n[title screen]";
    bool jumps = false;
    for (const Jump& j : c.jumps) jumps = jumps || j.target >= 0;
    const bool halts = !node.HasChildren() && !jumps && c.endings.empty() && !c.goTitle;
    if (halts) label += "\\n[halt]";
    s += "  " + id + " [label=\"" + label + "\"";
    if (!c.endings.empty()) {
      s += ", shape=doubleoctagon, style=filled, fillcolor=lightpink";
    } else if (c.goTitle) {
      s += ", shape=doubleoctagon, style=filled, fillcolor=lightblue";
    } else if (halts) {
      s += ", shape=octagon, style=filled, fillcolor=lightgrey";
    }
    s += "];\n";

    // An only child follows at once; from several, the choice offers the first three, each
    // under its answer or, without one, under the child's title.
    for (int k = 0; k < node.Count(); ++k) {
      const TScenarioNode& child = *node.Item(k);
      s += "  " + id + " -> n" + std::to_string(child.AbsoluteIndex());
      if (node.Count() == 1) {
        s += ";\n";
      } else if (k >= kOfferedChoices) {
        s += " [label=\"(not offered)\", style=dotted];\n";
      } else {
        const std::string& answer = c.answers[k];
        s += " [label=\"" + dotText(answer.empty() ? child.Text() : answer) + "\"];\n";
      }
    }
    for (const Jump& j : c.jumps) {
      const char* select = j.id == ciGotoNodeSelect ? ", label=\"to its choice\"" : "";
      if (j.target >= 0) {
        s += "  " + id + " -> n" + std::to_string(j.target) + " [style=dashed" + select + "];\n";
      } else {
        // The game stays where it is when no title matches; the note shows the lost jump.
        const std::string m = "m" + std::to_string(missing++);
        s += "  " + m + " [label=\"no node: " + dotText(j.title) +
             "\", shape=note, color=red, fontcolor=red];\n";
        s += "  " + id + " -> " + m + " [style=dashed, color=red];\n";
      }
    }
  }
  s += "}\n";
  return s;
}

int RunGraphTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  bool plain = false;
  std::string file, svg;
  bool svgGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i] ? argv[i] : "";
    if (a == "--plain") {
      plain = true;
    } else if (a == "--svg" && i + 1 < argc && argv[i + 1] && *argv[i + 1]) {
      svgGiven = true;
      svg = argv[++i];
    } else if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    } else if (a.size() > 1 && a[0] == '-') {
      err << "miravel-graph: unknown option or missing argument: " << a << '\n' << kUsage;
      return 2;
    } else if (file.empty() && !a.empty()) {
      file = a;
    } else {
      err << kUsage;
      return 2;
    }
  }
  if (file.empty()) {
    err << kUsage;
    return 2;
  }

  // Checked before the file is read, so an author learns at once what to install.
  std::string dot;
  if (svgGiven && (dot = findOnPath("dot")).empty()) {
    err << "miravel-graph: --svg needs the program dot (Graphviz), which is not on PATH; install "
           "Graphviz, or write the DOT text without --svg\n";
    return 1;
  }

  std::string data, why;
  if (!ReadNativeFile(file, data, why)) {
    err << file << ": cannot read: " << why << '\n';
    return 1;
  }
  std::string cp932;
  if (endsWithSsf(file)) {
    cp932 = std::move(data);
    if (!plain) ScrambleBuffer(cp932.data(), cp932.size(), ScenarioSeed);
  } else {
    std::vector<TPackMessage> errors;
    if (!PackScenario(data, false, cp932, errors)) {
      for (const TPackMessage& m : errors) {
        err << file;
        if (m.line > 0) err << ':' << m.line;
        if (m.column > 0) err << ':' << m.column;
        err << ": error: " << m.text << '\n';
      }
      return 1;
    }
  }
  TNodeTree tree;
  std::vector<TScenarioNote> notes;
  BuildScenarioTree(cp932.data(), cp932.size(), tree, &notes);
  for (const TScenarioNote& n : notes) {
    err << file << ':' << n.line << ": warning: " << DescribeScenarioNote(n) << '\n';
  }

  const std::string text = FormatScenarioGraph(tree);
  if (!svgGiven) {
    out << text;
    return out ? 0 : 1;
  }
  return runDot(dot, text, svg, err);
}
