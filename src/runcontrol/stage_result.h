// How a stage of a quantization run ended. Anything but Ok ends the run without a result; the
// driver frees what the run holds and announces the end as usual.
#pragma once

enum class StageResult {
    Ok,
    Cancelled,   // the cancel request was seen at one of the stage's checks
    OutOfMemory, // a working buffer could not be allocated
};
