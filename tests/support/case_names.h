#pragma once

#include <cctype>
#include <ostream>
#include <string>

// Table-driven cases carry a readable name; gtest needs it as an identifier.
inline std::string identifierOf(const char* name) {
    std::string id;
    for (const char* p = name; *p != '\0'; ++p) {
        id += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    }
    return id;
}

// Names a parameterized suite's cases by their `name` field, in test names and in failures.
#define NAME_CASES_BY_FIELD(CaseType)                                                              \
    inline void PrintTo(const CaseType& c, std::ostream* os) {                                     \
        *os << c.name;                                                                             \
    }                                                                                              \
    inline std::string caseNameOf(const testing::TestParamInfo<CaseType>& info) {                  \
        return identifierOf(info.param.name);                                                      \
    }
