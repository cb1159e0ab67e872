#pragma once
#include "Controller/mcp/MCPError.h"

#include <functional>
#include <optional>
#include <utility>

// A value or an MCPError: what every asynchronous step of the tool runtime hands to its
// continuation on the runtime's thread.
template <typename T>
class McpResult {
public:
    McpResult(T value) : m_value(std::move(value)) {}
    McpResult(MCPError error) : m_error(std::move(error)) {}
    bool ok() const { return !m_error.has_value(); }
    const T &value() const { return *m_value; }
    T &value() { return *m_value; }
    const MCPError &error() const { return *m_error; }
    // The failure's message; empty on success.
    QString errorMessage() const { return m_error ? m_error->message() : QString(); }

private:
    std::optional<T> m_value;
    std::optional<MCPError> m_error;
};

template <>
class McpResult<void> {
public:
    McpResult() = default;
    McpResult(MCPError error) : m_error(std::move(error)) {}
    bool ok() const { return !m_error.has_value(); }
    const MCPError &error() const { return *m_error; }
    QString errorMessage() const { return m_error ? m_error->message() : QString(); }

private:
    std::optional<MCPError> m_error;
};

template <typename T>
using McpCallback = std::function<void(McpResult<T>)>;
