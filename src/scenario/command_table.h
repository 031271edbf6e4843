// The script command table: every "#" name the interpreter knows, in the order in which a line
// is tested against them, with the handler each one runs.
#pragma once
class TMainFrm;

struct TCommandEntry {
  const char* name;  // "#TIMEWAIT" ... (plain ASCII, the same bytes in CP932)
  // Exactly one of the two handlers is set; a name with neither (the parameter names) is
  // compared and then ignored: the line goes on to the following names.
  bool (TMainFrm::*handler)(const char* args);
  bool (TMainFrm::*kindHandler)(const char* args, int kind);
  int kind;  // passed to kindHandler
};

// The entry that decides a line beginning with "#": names are compared over their full length
// with the start of the line, in table order, the group prefixes "#FADE", "#SLIT", "#BGM" and
// "#WAVE" first and then their members. Null when no name decides. *args (when given) receives
// the text right after the matched name.
const TCommandEntry* MatchCommand(const char* line, const char** args);
