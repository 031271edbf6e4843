#include "support/tool_run.h"

#include <sstream>

ToolRun RunTool(ToolMain tool, const char* program, const std::vector<std::string>& args) {
  std::vector<const char*> argv{program};
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  int status = tool(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}
