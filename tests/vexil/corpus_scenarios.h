// The damaged scenarios the tests open. Most are files of corpus/, kept as
// users' files held them; the ones that differ from a bundled example by a
// single damage are made here from the example's text, so that they follow
// the example as it changes and differ from it by that damage alone.
#pragma once

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace corpus {

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

// The text with `what`, which it holds exactly once, replaced by `with`: a
// change the example no longer admits fails loudly instead of leaving an
// undamaged copy.
inline std::string ReplacedOnce(const std::string& text, const std::string& what,
                                const std::string& with) {
    const size_t at = text.find(what);
    if (at == std::string::npos || text.find(what, at + 1) != std::string::npos)
        throw std::runtime_error("the example does not hold exactly one \"" + what + "\"");
    std::string changed = text;
    changed.replace(at, what.size(), with);
    return changed;
}

inline std::string OilLine(const std::string& sourceDir) {
    return ReadText(sourceDir + "/examples/scenarios/oil_line.zef");
}

// oil_line.zef with its pipeline's diameter element left empty (the leak's
// diameter, 0.0508 m, is kept).
inline std::string OilLineDiameterEmpty(const std::string& sourceDir) {
    return ReplacedOnce(OilLine(sourceDir),
                        "<attribute name=\"diameter\">\n"
                        "        <real val=\"0.254\"/>\n"
                        "      </attribute>",
                        "<attribute name=\"diameter\"></attribute>");
}

// oil_line.zef with a stored discharge result, marked up to date, whose words
// are not all finite numbers (nan, inf, -inf and 1e39, beyond a float).
inline std::string NonfiniteSummary(const std::string& sourceDir) {
    return ReplacedOnce(OilLine(sourceDir), "      </control>\n",
                        "      </control>\n"
                        "      <result>\n"
                        "        <attribute name=\"uptodate\">\n"
                        "          <boolean val=\"true\"/>\n"
                        "        </attribute>\n"
                        "        <attribute name=\"time\">\n"
                        "          <real val=\"nan\"/>\n"
                        "        </attribute>\n"
                        "        <attribute name=\"peak_total_mass\">\n"
                        "          <real val=\"inf\"/>\n"
                        "        </attribute>\n"
                        "        <attribute name=\"peak_oil_out\">\n"
                        "          <real val=\"12.5\"/>\n"
                        "        </attribute>\n"
                        "        <attribute name=\"peak_gas_out\">\n"
                        "          <real val=\"-inf\"/>\n"
                        "        </attribute>\n"
                        "        <attribute name=\"peak_oil_out_std\">\n"
                        "          <real val=\"1\"/>\n"
                        "        </attribute>\n"
                        "        <attribute name=\"peak_gas_out_std\">\n"
                        "          <real val=\"2\"/>\n"
                        "        </attribute>\n"
                        "        <attribute name=\"total_mass\">\n"
                        "          <real val=\"1e39\"/>\n"
                        "        </attribute>\n"
                        "        <attribute name=\"oil_out\">\n"
                        "          <real val=\"3\"/>\n"
                        "        </attribute>\n"
                        "        <attribute name=\"gas_out\">\n"
                        "          <real val=\"4\"/>\n"
                        "        </attribute>\n"
                        "        <attribute name=\"oil_out_std\">\n"
                        "          <real val=\"5\"/>\n"
                        "        </attribute>\n"
                        "        <attribute name=\"gas_out_std\">\n"
                        "          <real val=\"6\"/>\n"
                        "        </attribute>\n"
                        "      </result>\n");
}

// The text of a damaged scenario by its name: one made from an example, or
// a file of corpus/.
inline std::string ScenarioText(const std::string& sourceDir, const std::string& name) {
    if (name == "oil_line_diameter_empty.zef") return OilLineDiameterEmpty(sourceDir);
    if (name == "nonfinite_summary.zef") return NonfiniteSummary(sourceDir);
    return ReadText(sourceDir + "/tests/vexil/corpus/" + name);
}

// Writes the damaged scenario of that name to path.
inline void WriteScenario(const std::string& sourceDir, const std::string& name,
                          const std::string& path) {
    WriteText(path, ScenarioText(sourceDir, name));
}

}  // namespace corpus
