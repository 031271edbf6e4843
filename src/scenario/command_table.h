// The interpreter's command table: the member function of TMainFrm that runs each script
// command. Which "#" names exist and the order in which a line is tested against them are the
// scenario core's (scenario/commands.h); this table only binds a handler to every TCommandId.
#pragma once
#include "scenario/commands.h"
#include "shell/main_form.h"

struct TCommandEntry {
  const char* name;  // the command's name in the core's table
  // Exactly one of the two handlers is set.
  bool (TMainFrm::*handler)(const char* args);
  bool (TMainFrm::*kindHandler)(const char* args, int kind);
  TFadeKind kind;  // passed to kindHandler
};

// The entry of the command that decides a line beginning with "#" (MatchCommandName), null when
// no name decides. *args (when given) receives the text right after the matched name.
const TCommandEntry* MatchCommand(const char* line, const char** args);
