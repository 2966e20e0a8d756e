// The framework's exceptions: thrown by pointer, freed by whoever catches them.
#pragma once

class CException {
public:
    CException() = default;
    virtual ~CException() = default;
    CException(const CException&) = delete;
    CException& operator=(const CException&) = delete;

    // Frees the exception; the catcher calls it once, instead of delete.
    void Delete() { delete this; }
};
