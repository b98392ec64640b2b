#include "declaration/AgentRegistry.h"

#include "core/TextRules.h"

AgentRegistry::AgentRegistry()
    : m_rows(size_t(RowCount))
{
}

void AgentRegistry::load()
{
    const std::vector<Agent>& agents = builtInAgents();
    for (size_t i = 0; i < agents.size() && i < size_t(BuiltInRows); ++i)
        m_rows[i] = agents[i];
}

const Agent& AgentRegistry::row(int number) const
{
    static const Agent empty;
    if (number < 1 || number > RowCount)
        return empty;
    return m_rows[size_t(number - 1)];
}

void AgentRegistry::setRow(int number, const Agent& agent)
{
    if (number < 1 || number > RowCount)
        return;
    m_rows[size_t(number - 1)] = agent;
}

std::optional<Agent> AgentRegistry::lookup(const QString& legajo) const
{
    const QString wanted = text::trimmed(legajo);
    std::optional<Agent> found;
    for (int number = 1; number <= LookupRows; ++number) {
        const Agent& candidate = m_rows[size_t(number - 1)];
        if (text::trimmed(candidate.legajo) == wanted)
            found = candidate;
    }
    return found;
}
