#include "msgbox.h"

#include "object.h"

void MsgBox(const std::string&) { throw RuntimeException("not yet"); }
int32_t MsgBox(const std::string&, int32_t, const std::string&) { throw RuntimeException("not yet"); }
