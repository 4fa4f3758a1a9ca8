// Case files: a JSON description of one discharge run (network, inlets,
// outlet, leak, fluid, run options), turned into the input record that the
// library's RELEASE reads. The format is documented in examples/README.md.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "release/release.h"

namespace cases {

// A case file that cannot be read or does not describe a network; the text
// names the file and the place in it ("cases/a.json: network.branches[1].pipes[0]: ...").
struct CaseError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Component {
    std::string name;   // for people only
    int32_t model = 0;  // model index of the component catalogue, 1 or more
    float mole_percent = 0;
    float mole_weight = 0;     // g/mol, read for pseudo-components
    float liquid_density = 0;  // kg/m3, read for pseudo-components; 0 = none
};

struct Fluid {
    enum class Kind { BlackOil, Composition };
    Kind kind = Kind::BlackOil;
    // black oil
    float gas_density = 0;  // kg/m3 at standard conditions
    float oil_density = 0;  // kg/m3 at standard conditions
    float gor = 0;          // Sm3/Sm3
    float water_cut = 0;    // %
    // composition
    std::vector<Component> components;
};

struct Case {
    std::string source;  // file name, or the name given to parse_case
    std::string description;
    std::vector<std::string> branch_names;  // by branch number - 1
    // The whole record as the front end builds it: fresh-record defaults,
    // then the network, boundaries, leak and (for black oil) the four
    // standard-condition words of the property block. The property tables
    // themselves are left for BLACKOIL or COMPPVT.
    std::unique_ptr<ReleaseInput> input;
    ReleaseControl control{};
    Fluid fluid;
};

// Reads and converts a case file; throws CaseError.
Case load_case(const std::string& path);
// Converts the text of a case file; `source` names it in error messages.
Case parse_case(std::string_view text, const std::string& source);

// A fresh record: all zero but the outlet pressure 1.0 Pa, outlet closing
// time -1.0 s, leak back pressure 1.0 Pa and leak ambient temperature 4.0 C.
std::unique_ptr<ReleaseInput> fresh_input();

// The composition block that COMPPVT reads (entries past the count zero).
COMPREC make_comprec(const Fluid& fluid);

}  // namespace cases
