#pragma once

#include "Stopwatch.h"

#include <string>

// Schema validation of the document as the program holds it (DomSchema::Validate: the schema
// read, the tree fed to the validator with entity references entered) against libxml2 alone
// validating the same file parsed with entities substituted (the schema read,
// xmlSchemaValidateDoc), each in the same process on a document parsed once.
struct ValidateFigures {
    Timing ours;
    Timing libxml2;
};

// Loads the file once for each side and validates it runs times against a schema written for
// the generated document, alternating sides. false with error when either side cannot load it
// or finds it invalid.
bool MeasureValidate(
    const std::string& path, int runs, bool verbose, ValidateFigures& figures, std::string& error);

void PrintValidateFigures(const ValidateFigures& figures);
// ", \"validate_ratio\": ..." for the JSON line.
std::string ValidateJsonFields(const ValidateFigures& figures);
