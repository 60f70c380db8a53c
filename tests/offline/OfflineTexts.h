#pragma once

#include "core/Texts.h"

#include <map>
#include <optional>
#include <string>

namespace orv::test {

// The string-table entries the data window and the export use, in German or English.
class OfflineTexts final : public Texts {
public:
    enum class Language { German, English };
    explicit OfflineTexts(Language language) : language_(language) {}

    [[nodiscard]] std::optional<std::string> text(int germanId) const override {
        static const std::map<int, std::pair<const char*, const char*>> table = {
            {193, {"Temperatur", "temperature"}},
            {194, {"rel. Feuchte", "rel. humidity"}},
            {195, {"Zeit", "time"}},
            {196, {"Temperatur", "temperature"}},
            {197, {"Taupunkt", "dew point"}},
            {198, {"Zeit", "time"}},
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
