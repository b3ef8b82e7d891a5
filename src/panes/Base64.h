#pragma once

#include <QImage>
#include <QString>

#include <cstddef>

// Base64 decoding for pictures stored as text in a document.
//
// Base64DecodedSize and Base64Decode throw std::runtime_error for a bad parameter or a length
// that is not a multiple of 4, and a bare int for a bad group: 0 to 3 for an invalid byte in
// that position of the group, 4 and 5 for a pad character in position 0 or 1.

// The size of the output buffer for n input bytes: 3 bytes per group of 4.
std::size_t Base64DecodedSize(std::size_t n);

// Decodes n bytes of in into out, which holds Base64DecodedSize(n) bytes, and returns the number
// of data bytes. A pad character is accepted in positions 2 and 3 of any group, and the output
// advances by 3 bytes per group whatever the padding.
std::size_t Base64Decode(unsigned char* out, const char* in, std::size_t n);

// The picture that text holds as base64, white space ignored; a null image when the text does
// not decode or the bytes are no picture that Qt's image readers know.
QImage LoadPictureFromText(const QString& text);
