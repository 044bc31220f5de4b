// Standard input as a picture file: its bytes are copied to a temporary file, which the
// plug-ins and the BMP reader then read by its content like any other file. At most the
// largest file the program reads is copied; more is refused.
#pragma once

#include <string>

class CStandardInput {
public:
    CStandardInput() = default;
    ~CStandardInput(); // removes the temporary file
    CStandardInput(const CStandardInput&) = delete;
    CStandardInput& operator=(const CStandardInput&) = delete;

    // Copies standard input; false, with the reason, when it cannot be had whole.
    [[nodiscard]] bool Copy(std::string& reason);
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};
