#include "platform/registry/IRegistry.h"

#include <cstring>

#include "platform/codepage/AnsiCodePage.h"
#include "platform/registry/Registry.h"

namespace lv8int {

namespace {
thread_local IRegistry* replacement = nullptr;

int32_t copyOut(const std::vector<uint8_t>& bytes, uint8_t* data, uint32_t* size) {
  auto need = static_cast<uint32_t>(bytes.size());
  if (!size) return data ? reg::ERROR_INVALID_PARAMETER : reg::ERROR_SUCCESS;
  if (!data) {
    *size = need;
    return reg::ERROR_SUCCESS;
  }
  if (*size < need) {
    *size = need;
    return reg::ERROR_MORE_DATA;
  }
  if (need) std::memcpy(data, bytes.data(), need);
  *size = need;
  return reg::ERROR_SUCCESS;
}
}  // namespace

IRegistry& IRegistry::current() {
  if (replacement) return *replacement;
  static Registry system(Registry::defaultMachineHivePath(), Registry::defaultUserHivePath());
  return system;
}

IRegistry* IRegistry::exchangeCurrent(IRegistry* r) { return std::exchange(replacement, r); }

int32_t IRegistry::queryValueEx(reg::Handle key, StringView name, uint32_t* type, uint8_t* data, uint32_t* size) {
  if (data && !size) return reg::ERROR_INVALID_PARAMETER;
  reg::Value v;
  int32_t status = getValue(key, name, v);
  if (status != reg::ERROR_SUCCESS) return status;
  if (type) *type = v.type;
  return copyOut(v.data, data, size);
}

int32_t IRegistry::openKeyA(reg::Handle parent, std::string_view subKey, reg::Handle& result) {
  return openKey(parent, codepage::fromAnsi(subKey), result);
}

int32_t IRegistry::queryValueExA(reg::Handle key, std::string_view name, uint32_t* type, uint8_t* data,
                                 uint32_t* size) {
  if (data && !size) return reg::ERROR_INVALID_PARAMETER;
  reg::Value v;
  int32_t status = getValue(key, codepage::fromAnsi(name), v);
  if (status != reg::ERROR_SUCCESS) return status;
  if (type) *type = v.type;
  return copyOut(reg::ansiData(v), data, size);
}

int32_t IRegistry::enumValueA(reg::Handle key, uint32_t index, std::string& name, uint32_t* type, uint8_t* data,
                              uint32_t* size) {
  if (data && !size) return reg::ERROR_INVALID_PARAMETER;
  reg::Value v;
  int32_t status = enumValue(key, index, v);
  if (status != reg::ERROR_SUCCESS) return status;
  name = codepage::toAnsi(v.name);
  if (type) *type = v.type;
  return copyOut(reg::ansiData(v), data, size);
}

void IRegistry::import(const std::vector<regfile::Operation>& operations, std::vector<regfile::Problem>* problems) {
  using Kind = regfile::Operation::Kind;
  transaction([&] {
    for (const regfile::Operation& op : operations) {
      String path = reg::joinPath(op.path());
      int32_t status = reg::ERROR_SUCCESS;
      switch (op.kind) {
        case Kind::CreateKey: {
          reg::OpenedKey key(*this, op.root, path, true);
          status = key.status();
          break;
        }
        case Kind::DeleteKey:
          if (!op.path().empty()) deleteKey(op.root, path);  // deleting what is not there is no fault
          break;
        case Kind::SetValue: {
          reg::OpenedKey key(*this, op.root, path, true);
          status = key.ok() ? setValue(key.handle(), op.value) : key.status();
          break;
        }
        case Kind::DeleteValue: {
          reg::OpenedKey key(*this, op.root, path);
          if (key.ok()) deleteValue(key.handle(), op.value.name);
          break;
        }
      }
      if (status != reg::ERROR_SUCCESS && problems)
        problems->push_back({op.line, u"the registry refused the change (status " + toString(status) + u")"});
    }
  });
}

int32_t IRegistry::exportKey(reg::Handle root, StringView path, std::string& text, const regfile::WriteOptions& options) {
  reg::OpenedKey top(*this, root, path);
  if (!top.ok()) return top.status();
  RegistryKey copy(reg::rootName(root));
  // Walk the key breadth-first through the service, so that any implementation can be exported.
  struct Item {
    reg::Handle handle;
    RegistryKey* into;
  };
  std::vector<Item> pending{{top.handle(), &copy}};
  std::vector<reg::Handle> opened;
  for (size_t n = 0; n < pending.size(); ++n) {
    Item item = pending[n];
    reg::Value v;
    for (uint32_t i = 0; enumValue(item.handle, i, v) == reg::ERROR_SUCCESS; ++i) item.into->setValue(v);
    String name;
    for (uint32_t i = 0; enumKey(item.handle, i, name) == reg::ERROR_SUCCESS; ++i) {
      reg::Handle sub = 0;
      if (openKey(item.handle, name, sub) != reg::ERROR_SUCCESS) continue;
      opened.push_back(sub);
      pending.push_back({sub, &item.into->ensureChild(name)});
    }
  }
  for (reg::Handle h : opened) closeKey(h);
  String display = reg::rootName(root);
  for (const String& c : reg::splitPath(path)) display += u"\\" + c;
  text = regfile::writeKey(copy, display, options);
  return reg::ERROR_SUCCESS;
}

namespace reg {

OpenedKey::OpenedKey(IRegistry& registry, Handle parent, StringView path, bool create) : registry_(registry) {
  status_ = create ? registry.createKey(parent, path, handle_) : registry.openKey(parent, path, handle_);
}

OpenedKey::~OpenedKey() {
  if (status_ == ERROR_SUCCESS) registry_.closeKey(handle_);
}

std::vector<uint8_t> ansiData(const Value& value) {
  if (!isStringType(value.type)) return value.data;
  String text = fromUtf16le(value.data.data(), value.data.size());
  if (text.empty() || text.back() != u'\0') text.push_back(u'\0');
  std::vector<uint8_t> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t zero = text.find(u'\0', start);
    std::string part = codepage::toAnsi(StringView(text).substr(start, zero - start));
    out.insert(out.end(), part.begin(), part.end());
    out.push_back(0);
    start = zero + 1;
  }
  return out;
}

}  // namespace reg

}  // namespace lv8int
