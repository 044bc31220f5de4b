// The work xkorvo-cli does for one file beyond reducing it (job/reduce_job.h): describe a
// picture as the Properties command does.
#pragma once

#include "job/reduce_job.h"

#include <string>

class PluginHost;

// "WIDTHxHEIGHT, N colors." with N the number of distinct 24-bit colours, in `line`.
[[nodiscard]] FileOutcome DescribeFile(const PluginHost& host, const std::string& input,
                                       std::string& line);
