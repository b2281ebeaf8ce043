#include "frame/dao_objects.h"

#include <utility>

namespace svrZIVE {
namespace {

// The views keep the recordset alive while a client holds any of them.
struct RecordsetView {
  std::shared_ptr<engine::Recordset> recordset;
};
struct FieldsView {
  std::shared_ptr<engine::Recordset> recordset;
};
struct FieldView {
  std::shared_ptr<engine::Recordset> recordset;
  std::shared_ptr<engine::Field> field;
};

template <class View>
Variant objectVariant(View view, const TypeInfo& info) {
  return Variant(std::shared_ptr<Dispatch>(makeObject(std::make_shared<View>(std::move(view)), info)));
}

Variant fieldObject(const std::shared_ptr<engine::Recordset>& recordset, const Variant& index) {
  engine::Fields& fields = recordset->fields();
  std::shared_ptr<engine::Field> field =
      index.isString() ? fields.item(std::string_view(index.asString())) : fields.item(index.toLong());
  return objectVariant(FieldView{recordset, std::move(field)}, fieldTypeInfo());
}

Variant fieldsObject(const std::shared_ptr<engine::Recordset>& recordset) {
  return objectVariant(FieldsView{recordset}, fieldsTypeInfo());
}

}  // namespace

const TypeInfo& recordsetTypeInfo() {
  static const TypeInfo info = [] {
    using V = RecordsetView;
    MemberTable<V> t("Recordset");
    t.get("RecordCount", "Long", [](V& v) { return Variant(v.recordset->recordCount()); });
    t.get("EOF", "Boolean", [](V& v) { return Variant(v.recordset->eof()); });
    t.get("BOF", "Boolean", [](V& v) { return Variant(v.recordset->bof()); });
    auto move = [](void (engine::Recordset::*step)()) {
      return [step](V& v, CallArguments&) {
        ((*v.recordset).*step)();
        return Variant();
      };
    };
    t.method("MoveFirst", {}, {}, move(&engine::Recordset::moveFirst));
    t.method("MoveLast", {}, {}, move(&engine::Recordset::moveLast));
    t.method("MoveNext", {}, {}, move(&engine::Recordset::moveNext));
    t.method("MovePrevious", {}, {}, move(&engine::Recordset::movePrevious));
    // Fields, or Fields(index) for one field through the collection's default member.
    t.get("Fields", {{"index", "Variant", true}}, "Fields", [](V& v, CallArguments& a) {
      return a.present(0) ? fieldObject(v.recordset, a[0]) : fieldsObject(v.recordset);
    });
    t.method("Close", {}, {}, move(&engine::Recordset::close));
    return std::move(t).build();
  }();
  return info;
}

const TypeInfo& fieldsTypeInfo() {
  static const TypeInfo info = [] {
    using V = FieldsView;
    MemberTable<V> t("Fields");
    t.get("Count", "Long", [](V& v) { return Variant(v.recordset->fields().count()); });
    t.get("Item", {{"index", "Variant"}}, "Field",
          [](V& v, CallArguments& a) { return fieldObject(v.recordset, a[0]); });
    return std::move(t).build();
  }();
  return info;
}

const TypeInfo& fieldTypeInfo() {
  static const TypeInfo info = [] {
    using V = FieldView;
    MemberTable<V> t("Field");
    t.get("Name", "String", [](V& v) { return Variant(v.field->name()); });
    t.get("Value", "Variant", [](V& v) { return v.field->value(); });
    return std::move(t).build();
  }();
  return info;
}

Variant recordsetObject(std::shared_ptr<engine::Recordset> recordset) {
  if (!recordset) return Variant(std::shared_ptr<Dispatch>());
  return objectVariant(RecordsetView{std::move(recordset)}, recordsetTypeInfo());
}

std::shared_ptr<engine::Recordset> recordsetOf(const Variant& object) {
  if (!object.isObject() || !object.object()) return nullptr;
  auto* view = dynamic_cast<ObjectOf<RecordsetView>*>(object.object().get());
  return view ? view->object().recordset : nullptr;
}

}  // namespace svrZIVE
