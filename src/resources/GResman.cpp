#include "resources/GResman.h"

#include <cmath>

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "config/CConfig.h"
#include "platform/automation/Conversions.h"
#include "platform/files/Files.h"
#include "platform/helpers/Helpers.h"
#include "platform/ini/IniFile.h"
#include "platform/pictures/PictureLoader.h"
#include "platform/recordset/ResourceDatabase.h"
#include "resources/CResourceDLL.h"
#include "typelib/Registration.h"

namespace lv8int {

namespace {

constexpr char16_t kSource[] = u"LV8INT.GResman";
constexpr char16_t kSection[] = u"resource";
constexpr int32_t kSlots = 16;  // bits 16 to 19 of a string identifier

constexpr int32_t kSmallIcon = pictures::kSmallIconSize;
constexpr int32_t kNormalIcon = pictures::kIconSize;

bool endsWithNoCase(const String& name, StringView suffix) {
  return name.size() >= suffix.size() && equalsNoCase(StringView(name).substr(name.size() - suffix.size()), suffix);
}

// A complete path is used as written; any other name is taken relative to `folder` (the folder
// of resource.ini for stores, the database's folder for pictures), never to the process's
// current folder. Letter case is resolved as elsewhere.
String resolveName(const String& value, const String& folder) {
  const String name = files::fromWindowsPath(value);
  return files::resolve(!name.empty() && name.front() == u'/' ? name : folder + name);
}

// The slot number of a key of section "resource".
int32_t slotOfKey(const String& key, const String& ini) {
  int32_t n = 0;
  try {
    n = CLng(Variant(key));
  } catch (const AutomationError& e) {
    raiseError(e.number(), kSource, u"The key \"" + key + u"\" of section [resource] is no slot number: " + ini);
  }
  if (n < 0 || n >= kSlots)
    raiseError(err::SubscriptOutOfRange, kSource,
               u"Slot " + toString(n) + u" of section [resource] lies outside 0 to 15: " + ini);
  return n;
}

// The key of a picture identifier: a number's low 16 bits (after rounding to a whole number,
// half to even) as decimal text, or the text itself, which names a DLL resource.
String pictureKey(const String& PicID) {
  double number = 0;
  try {
    number = CDbl(Variant(PicID));
  } catch (const AutomationError&) {
    return PicID;
  }
  double low = std::fmod(std::nearbyint(number), 65536.0);
  if (low < 0) low += 65536.0;
  return toString(static_cast<long long>(low));
}

// The table that names picture files of a picture kind; none for the kinds a database holds not.
StringView tableOf(int32_t picType) {
  switch (picType) {
    case 2: return u"bitmap";
    case 3: return u"icon";
    case 4: return u"cursor";
    default: return u"";
  }
}

// The kind of DLL resource a picture kind asks for.
int32_t dllKindOf(int32_t picType) {
  switch (picType) {
    case 3: return 1;
    case 4: return 2;
    case 5: return 3;
    case 6: return 4;
    default: return 0;
  }
}

String notFound(int32_t lStrID) {
  return u"<Unable to find resource string with ID: " + helpers::formatNumber(lStrID, u"0x") + u">";
}

}  // namespace

GResman::GResman() {
  Ref<CConfig> config = GZRGNTUtil::sharedApplication()->Config();
  if (!config)
    raiseError(err::ObjectNotSet, kSource, u"The application has no configuration: call Init first");
  open(config->SystemPath() + u"Resource/resource.ini");
}

GResman::GResman(const String& resourceIni) { open(resourceIni); }

GResman::~GResman() = default;

void GResman::open(const String& resourceIni) {
  const String ini = files::resolve(resourceIni);
  if (!files::fileExists(ini)) raiseError(err::FileNotFound, kSource, u"The resource list is missing: " + ini);
  const String iniFolder = files::withTrailingSeparator(files::folderOf(ini));
  const ini::IniFile file = ini::IniFile::load(ini);
  const std::vector<String> keys = file.keys(kSection);

  int32_t count = 0;
  std::vector<int32_t> slotOfEach;
  for (const String& key : keys) {
    slotOfEach.push_back(slotOfKey(key, ini));
    count = std::max(count, slotOfEach.back() + 1);
  }
  if (count == 0)
    raiseError(err::SubscriptOutOfRange, kSource, u"Section [resource] lists no resource store: " + ini);

  std::vector<Slot> opened(static_cast<size_t>(count));
  for (size_t i = 0; i < keys.size(); ++i) {
    Slot& slot = opened[static_cast<size_t>(slotOfEach[i])];
    slot = Slot{};  // a slot listed twice keeps its last store
    slot.name = resolveName(file.read(kSection, keys[i]), iniFolder);
    if (endsWithNoCase(slot.name, u".mdb") || ResourceDatabase::isSqliteName(slot.name)) {
      slot.database = ResourceDatabase::open(slot.name);
      slot.folder = files::withTrailingSeparator(files::folderOf(slot.name));
    } else {
      slot.dll = make<CResourceDLL>();
      slot.dll->put_DLLName(slot.name);  // a DLL that does not load is not reported
    }
  }
  slots_ = std::move(opened);
}

const GResman::Slot& GResman::slotOf(int32_t slot) const {
  if (slot < 0 || slot >= count()) raiseError(err::SubscriptOutOfRange, kSource);
  return slots_[static_cast<size_t>(slot)];
}

String GResman::GetString(int32_t lStrID) {
  const int32_t slot = (lStrID & 0xF0000) >> 16;
  const int32_t number = lStrID & 0xFFFF;
  const Slot& s = slotOf(slot);
  if (s.database) {
    std::optional<String> text = s.database->content(u"strings", number);
    return text ? *text : notFound(lStrID);
  }
  if (!s.dll) raiseError(err::ObjectNotSet, kSource);
  String text = s.dll->LoadDLLString(number);
  // An empty text is a string that exists and is empty unless the load failed.
  if (text.empty() && s.dll->LastError() != 0) return notFound(lStrID);
  return text;
}

Ref<Picture> GResman::GetPicture(const String& PicID, int32_t picType, Variant& Size, Variant& ColorDepth) {
  const String key = pictureKey(PicID);
  const Slot& s = slotOf(0);
  if (!s.database) {
    if (!s.dll) raiseError(err::ObjectNotSet, kSource);
    return s.dll->LoadDLLPicture(key, dllKindOf(picType), pictures::kIconSize, pictures::kIconSize);
  }
  const StringView table = tableOf(picType);
  if (table.empty())
    raiseError(err::InvalidProcedureCall, kSource,
               u"A resource database holds no pictures of kind " + toString(picType));
  // The key goes into the query as a number: a resource name is no ID (13).
  const int32_t id = CLng(Variant(key));
  std::optional<String> file = s.database->content(table, id);
  if (!file) return nullptr;
  const String path = resolveName(*file, s.folder);
  // A bitmap is loaded as it is; the other kinds at the size and colour depth asked for.
  pictures::LoadOptions options;
  if (picType != 2) {
    options.size = Size.isMissing() ? 0 : CLng(Size);
    options.colorDepth = ColorDepth.isMissing() ? 0 : CLng(ColorDepth);
  }
  return pictures::loadPicture(path, options);
}

Ref<Picture> GResman::GetIcon(const String& PicID, int32_t Size, Variant& xPixel, Variant& yPixel) {
  const String key = pictureKey(PicID);
  // Both read before either is written: the two may be one variable.
  int32_t x = xPixel.isMissing() ? kNormalIcon : CLng(xPixel);
  int32_t y = yPixel.isMissing() ? kNormalIcon : CLng(yPixel);
  if (Size == 0 || Size == 2) x = y = kSmallIcon;
  else if (Size == 1 || Size == 3) x = y = kNormalIcon;
  xPixel = Variant(x);
  yPixel = Variant(y);
  const Slot& s = slotOf(0);
  // Icons are served by a DLL in slot 0 only.
  if (!s.dll) raiseError(err::ObjectNotSet, kSource);
  return s.dll->LoadDLLPicture(key, 1, x, y);
}

GResman::StoreKind GResman::kindOf(int32_t slot) const {
  const Slot& s = slotOf(slot);
  return s.database ? StoreKind::Database : s.dll ? StoreKind::Dll : StoreKind::None;
}

const String& GResman::storeName(int32_t slot) const { return slotOf(slot).name; }

std::vector<std::pair<int32_t, String>> GResman::strings(int32_t slot) {
  const Slot& s = slotOf(slot);
  std::vector<std::pair<int32_t, String>> out;
  if (s.database) {
    for (auto& [number, text] : s.database->rows(u"strings"))
      if (number >= 0 && number <= 0xFFFF) out.emplace_back((slot << 16) | number, std::move(text));
  } else if (s.dll) {
    if (const pe::PeFile* module = s.dll->module())
      for (auto& [number, text] : module->strings()) out.emplace_back((slot << 16) | number, std::move(text));
  }
  return out;
}

const DispatchTable* GResman::classDispatchTable() {
  static const DispatchTable table = DispatchBuilder<GResman>(u"GResman")
                                         .method(u"GetString", &GResman::GetString)
                                         .method(u"GetPicture", &GResman::GetPicture, {.required = 2})
                                         .method(u"GetIcon", &GResman::GetIcon, {.required = 2})
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(GResman, typelib::factoryOf<GResman>());

}  // namespace lv8int
