// The words the random data set draws from: the standard top-level accounts, the names
// of sub-accounts by account class, of departments, projects and partners, summaries,
// currencies, makers and settlement ways.
#pragma once

#include <string_view>

namespace qoru::gen::words {

struct TopAccount {
  const char* code;
  const char* name;
  bool credit;        // balance direction 贷
  bool core = false;  // taken first, whatever the seed
};

inline constexpr TopAccount kStandardChart[] = {
    {"1001", "库存现金", false, true},
    {"1002", "银行存款", false, true},
    {"1012", "其他货币资金", false},
    {"1101", "交易性金融资产", false},
    {"1121", "应收票据", false},
    {"1122", "应收账款", false, true},
    {"1123", "预付账款", false},
    {"1221", "其他应收款", false},
    {"1231", "坏账准备", true},
    {"1402", "在途物资", false},
    {"1403", "原材料", false},
    {"1405", "库存商品", false},
    {"1411", "周转材料", false},
    {"1471", "存货跌价准备", true},
    {"1511", "长期股权投资", false},
    {"1601", "固定资产", false},
    {"1602", "累计折旧", true},
    {"1604", "在建工程", false},
    {"1701", "无形资产", false},
    {"1702", "累计摊销", true},
    {"1801", "长期待摊费用", false},
    {"1901", "待处理财产损溢", false},
    {"2001", "短期借款", true},
    {"2201", "应付票据", true},
    {"2202", "应付账款", true, true},
    {"2203", "预收账款", true},
    {"2211", "应付职工薪酬", true},
    {"2221", "应交税费", true, true},
    {"2231", "应付利息", true},
    {"2241", "其他应付款", true},
    {"2501", "长期借款", true},
    {"4001", "实收资本", true},
    {"4002", "资本公积", true},
    {"4101", "盈余公积", true},
    {"4103", "本年利润", true},
    {"4104", "利润分配", true},
    {"5001", "生产成本", false},
    {"5101", "制造费用", false},
    {"6001", "主营业务收入", true, true},
    {"6051", "其他业务收入", true},
    {"6111", "投资收益", true},
    {"6301", "营业外收入", true},
    {"6401", "主营业务成本", false, true},
    {"6402", "其他业务成本", false},
    {"6403", "税金及附加", false},
    {"6601", "销售费用", false},
    {"6602", "管理费用", false, true},
    {"6603", "财务费用", false},
    {"6711", "营业外支出", false},
    {"6801", "所得税费用", false},
};

// Sub-account names by the class of the top-level account (first digit of its code).
inline constexpr std::string_view kAssetNames[] = {
    "工商银行",   "建设银行", "农业银行", "招商银行", "人民币户", "外币户",     "押金",
    "备用金",     "员工借款", "甲产品",   "乙产品",   "丙产品",   "电子元器件", "包装物",
    "房屋建筑物", "机器设备", "运输设备", "电子设备", "软件",     "专利权",     "待摊装修费"};
inline constexpr std::string_view kLiabilityNames[] = {
    "应交增值税", "未交增值税", "企业所得税", "个人所得税", "城市维护建设税", "教育费附加",
    "工资",       "职工福利费", "社会保险费", "住房公积金", "工会经费",       "职工教育经费",
    "进项税额",   "销项税额",   "暂估应付款", "质保金",     "代扣款项"};
inline constexpr std::string_view kEquityNames[] = {"法人资本",     "个人资本",     "资本溢价",
                                                    "法定盈余公积", "任意盈余公积", "未分配利润",
                                                    "提取盈余公积"};
inline constexpr std::string_view kCostNames[] = {
    "直接材料", "直接人工", "制造费用转入", "燃料动力",   "甲产品",
    "乙产品",   "丙产品",   "折旧费",       "机物料消耗", "车间水电费"};
inline constexpr std::string_view kProfitNames[] = {
    "办公费",   "差旅费",   "业务招待费", "水电费", "通讯费",     "折旧费", "修理费",  "运输费",
    "工资",     "福利费",   "租赁费",     "保险费", "广告宣传费", "咨询费", "审计费",  "研发费用",
    "利息支出", "利息收入", "汇兑损益",   "手续费", "甲产品",     "乙产品", "技术服务"};

inline constexpr std::string_view kDepartments[] = {
    "总经理办公室", "财务部",   "人力资源部", "行政部", "销售部", "市场部", "采购部", "生产部",
    "技术部",       "研发中心", "质检部",     "仓储部", "物流部", "客服部", "法务部", "审计部"};

inline constexpr std::string_view kProjectHeads[] = {
    "智能电表",   "厂房改造", "华东市场推广", "仓储系统升级", "新产品试制",
    "信息化建设", "节能改造", "海外渠道拓展", "质量体系认证", "生产线自动化"};

inline constexpr std::string_view kCities[] = {"上海", "北京", "广州", "深圳", "杭州", "苏州",
                                               "南京", "宁波", "武汉", "成都", "重庆", "天津",
                                               "厦门", "青岛", "西安", "长沙"};
inline constexpr std::string_view kBrandWords[] = {"晨光", "恒达", "海川", "云启", "瑞丰", "嘉信",
                                                   "鼎盛", "华泰", "永安", "金桥", "宏远", "新锐"};
inline constexpr std::string_view kTrades[] = {"电子", "精密机械", "贸易", "信息技术",
                                               "物流", "建材",     "包装", "化工"};

inline constexpr std::string_view kSettlements[] = {"转账", "现金", "支票", "汇票", "电汇", "网银"};

inline constexpr std::string_view kSummaries[] = {
    "提取备用金",   "报销差旅费",   "支付货款",     "收到货款",   "采购原材料",     "销售商品",
    "计提工资",     "发放工资",     "支付水电费",   "计提折旧",   "结转销售成本",   "支付办公费",
    "收到投资款",   "银行手续费",   "支付广告费",   "预付设备款", "报销业务招待费", "缴纳增值税",
    "计提附加税费", "结转本年利润", "收回员工借款", "支付租金",   "购买办公设备",   "收到利息"};
// Texts that a comma-separated reader of the files splits or misreads.
inline constexpr std::string_view kOddSummaries[] = {"支付运费,装卸费", "\"加急\"采购配件",
                                                     "购入材料（\"甲\"型）",
                                                     "报销餐费,交通费,住宿费", "收到货款,\"尾款\""};

inline constexpr std::string_view kCurrencies[] = {"美元", "欧元", "港币", "日元"};
inline constexpr std::string_view kMakers[] = {"张敏", "李伟", "王芳", "刘洋", "陈静"};

}  // namespace qoru::gen::words
