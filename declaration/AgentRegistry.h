#pragma once

#include <QString>
#include <optional>
#include <vector>

// The registry of withholding agents: 1000 rows of CUIT, company name and
// legajo, numbered from 1. Rows 1 to 107 hold the agents built into the
// program; the other rows are empty.
struct Agent
{
    QString cuit;         // NN-NNNNNNNN-N
    QString companyName;  // capitals, at most 46 characters
    QString legajo;       // 3 to 5 digits, no leading zero
};

class AgentRegistry
{
public:
    static constexpr int RowCount = 1000;
    static constexpr int BuiltInRows = 107;
    // The lookup reads rows 1 to LookupRows only.
    static constexpr int LookupRows = 142;

    // All rows empty.
    AgentRegistry();

    // Puts the built-in agents into rows 1 to 107, in their fixed order.
    void load();

    // Rows are 1-based; a row outside 1..RowCount reads as empty.
    const Agent& row(int number) const;
    void setRow(int number, const Agent& agent);

    // The agent for a legajo: rows 1 to 142 in ascending order, compared
    // trimmed and character by character (so "0332" is not "332"), the last
    // matching row winning. An empty legajo matches the empty rows and gives an
    // agent with empty texts. Nothing when no row matches.
    std::optional<Agent> lookup(const QString& legajo) const;

private:
    std::vector<Agent> m_rows;
};

// The agents built into the program, in the order they take rows 1 to 107.
const std::vector<Agent>& builtInAgents();
