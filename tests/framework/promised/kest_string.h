// The framework's string class as a panel may rely on it, and nothing more: each
// operation a panel is promised, with a layout of its own. The panel's sources
// must compile against this header unchanged; nothing here is ever linked.
#pragma once

class kest_string {
  public:
    kest_string();
    kest_string(const char* text);  // NOLINT(google-explicit-constructor): implicit by design
    kest_string(int value, char fill, unsigned width, int base);
    kest_string(const kest_string& other);
    kest_string& operator=(const kest_string& other);
    kest_string& operator=(const char* text);
    virtual ~kest_string();

    kest_string& operator+=(const kest_string& other);
    kest_string& operator+=(const char* text);
    bool operator==(const char* text) const;
    bool operator!=(const kest_string& other) const;
    operator const char*() const;  // NOLINT(google-explicit-constructor): implicit by design

    int length() const;
    int toInt() const;
    kest_string arg(const kest_string& value) const;
    kest_string arg(int value, char fill, unsigned width, int base) const;
    void split(char separator, kest_string& before, kest_string& after) const;

    friend kest_string operator+(const kest_string& a, const kest_string& b);
    friend kest_string operator+(const kest_string& a, const char* b);
    friend kest_string operator+(const char* a, const kest_string& b);

  private:
    void* data_;
};
