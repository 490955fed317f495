#include "kernel/ProductAddresses.h"

// QX_WEB_PAGE and QX_FEEDBACK_ADDRESS come from the build (kernel/CMakeLists.txt).

QString ProductWebPage()
{
    return QStringLiteral(QX_WEB_PAGE);
}

QString FeedbackAddress()
{
    return QStringLiteral(QX_FEEDBACK_ADDRESS);
}
