#include "Controller/mcp/MCPError.h"

const char *MCPError::what() const noexcept
{
    m_what = m_message.toUtf8();
    return m_what.constData();
}
