// The base of the framework's exceptions: a narrow message and a wide location, plus location helpers.
#pragma once

#include "Lang/String.h"

#include <exception>
#include <string>

namespace Lang {

// A failure with a narrow (Windows-1252) message for what() and a wide text naming where it was raised.
class Exception : public std::exception {
public:
    // The message is stored as narrow text, even when empty.
    Exception(const String& message, const String& location);
    // The message is stored as given; the location is widened from Windows-1252.
    Exception(const std::string& message, const std::string& location);
    // Reads the message and location of `other` through what() and getLocation().
    Exception(const Exception& other);
    // Assignment could not copy through the virtual operations as the copy does: there is none.
    Exception& operator=(const Exception&) = delete;

    ~Exception() override;
    const char* what() const noexcept override;
    // An empty message is stored as "(null message)".
    virtual void setMessage(const String& message);
    virtual Exception& setLocation(const String& location);
    virtual const char16_t* getLocation() const;

protected:
    // Mutable so that a subclass may fill in its text on the first what().
    mutable std::string m_message;

private:
    String m_location;
};

// Stamps `location` on `e` through setLocation(); the narrow twin widens it from Windows-1252 first.
Exception& attachLocation(Exception& e, const char16_t* location);
Exception& attachLocation(Exception& e, const char* location);

// "Unknown Location": the location of an exception no throw site has stamped yet.
const String& unknownLocation();
// "Unknown Exception": the placeholder message of an exception whose text is set after construction.
const String& unknownException();

} // namespace Lang
