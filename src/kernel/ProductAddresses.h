#pragma once
// The program's addresses in the outside world: its web page (About box,
// Nápověda > WWW, the message about missing modules) and the address that
// takes the feedback wizard's messages. Both are chosen when the program is
// built (CMake options QX_WEB_PAGE and QX_FEEDBACK_ADDRESS); an empty one
// means the build has none, and nothing offers it.
#include <QString>

QString ProductWebPage();
QString FeedbackAddress();
