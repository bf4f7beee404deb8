#pragma once
// Common base of the data makers that fill the DATA part of a linkage file.

class TZaimuDataLoad {
public:
    virtual ~TZaimuDataLoad() = default;
};
