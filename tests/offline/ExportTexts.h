#pragma once

#include "core/Texts.h"

#include <map>
#include <optional>
#include <string>

namespace orv::test {

// The string-table entries the export and the diagram use, in German or English.
class ExportTexts final : public Texts {
public:
    enum class Language { German, English };
    explicit ExportTexts(Language language) : language_(language) {}

    [[nodiscard]] std::optional<std::string> text(int germanId) const override {
        static const std::map<int, std::pair<const char*, const char*>> table = {
            {197, {"Taupunkt", "dew point"}},
            {246, {"Ausgangsdatensatz: ", "Sourcedatarecord: "}},
            {247, {" Datensätze: ", " Records: "}},
            {248, {"Anfangszeit: ", "Starttime: "}},
            {249, {"Intervall(s): ", "Interval(s): "}},
            {250, {"Offset_zur_original_Datei: ", "Offset_related_to_original_file: "}},
            {251, {"Anzahl_der_Datensätze: ", "Number_of_records: "}},
            {252,
             {"#Datensatz Temperatur(°C) rel.Feuchte(%)",
              "#Record Temperature(°C) rel.Humidity(%)"}},
        };
        const auto it = table.find(germanId);
        if (it == table.end()) {
            return std::nullopt;
        }
        return language_ == Language::German ? it->second.first : it->second.second;
    }

private:
    Language language_;
};

} // namespace orv::test
