// One itemised line of an expense and the node of its sentinel-headed chain.
#pragma once

#include <QString>
#include <memory>

class MekaluDetail;
using DetailPtr = std::shared_ptr<MekaluDetail>;

class MekaluDetail {
public:
    MekaluDetail() = default;
    MekaluDetail(const QString &article, qint32 amount) : tdArticle(article), tdAmount(amount) {}
    ~MekaluDetail();
    MekaluDetail(const MekaluDetail &) = delete;
    MekaluDetail &operator=(const MekaluDetail &) = delete;

    QString tdArticle;
    qint32 tdAmount = 0;
    DetailPtr tdLink;

    bool isBlank() const { return tdArticle.isEmpty() && tdAmount == 0; }

    // Operations are called on the head and work on the lines after it.
    DetailPtr cloneDetail() const;
    void insertDetail(const DetailPtr &td_detail);
    void removeNextDetail();
    DetailPtr nextDetail() const { return tdLink; }
    qint32 sumDetail() const;
    void deleteDetail(const MekaluDetail *td_detail);
    void appendDetail(const DetailPtr &td_detail);
    void insertNumberedDetail(const DetailPtr &ta_insrec, qint16 ta_rec);
};
