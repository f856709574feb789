<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Menu</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>読み取り</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+R(&amp;R)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>グリーン券情報読み取り</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+G(&amp;G)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;A)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>カードイメージを開く...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>カードイメージとして保存...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>リーダーの選択...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>駅名表を取り込む...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>駅名表を書き出す...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>印刷...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+P(&amp;P)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>印刷プレビュー(&amp;V)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタの設定(&amp;S)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>設定(&amp;C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;X)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>コピー</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+C(&amp;C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>すべて選択</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+A(&amp;A)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>履歴読み上げ(&amp;R)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>読み上げ中止(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ツール バー(&amp;T)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ステータス バー(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>カードを置いたら読み取る</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存済みカード(&amp;L)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>シンプル表示(&amp;P)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>利用集計(&amp;U)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>交通費の一覧(&amp;J)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>モード(&amp;M)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>トピックの検索(&amp;H)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>バージョン情報 Kuvora(&amp;A)...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Strings</name>
    <message>
        <source>カード種別自動選択モード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>JR Suica/ICOCA/TOICA PiTaPa PASMOカード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ことでん イルカ カード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>北鉄 アイカ カード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>せたまる</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>東急 せたまる カード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>かごしま5事業者共通乗車カード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>奈良交通 CI-CA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>遠州鉄道 nice･pass!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>長崎スマートカード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>長崎県 長崎スマートカード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>静岡鉄道 LuLuCa</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>い～カード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ICい～カード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>伊予鉄道 ICい～カード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>富山ライトレール passca</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>電子マネー エディー</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>JAL IC サービス カード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>い～カード(モバイル)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ICい～カード(モバイル)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>伊予鉄道 ICい～カード(モバイル)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>電子マネー nanaco</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>電子マネー WAON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (FeliCa製造 %1年%2月%3日)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 は壊れているか履歴データベースではないため、変更せずにそのまま残しました。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 は他のプログラムが使用中です。今回の履歴は保存していません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 に書き込めないため、今回の履歴は保存していません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OLE の初期化に失敗しました。OLE ライブラリのバージョンが正しいことを確認してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Windows ソケットの初期化に失敗しました。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>駅コード&#x3000;データベースを開くことができません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>駅名検索でエラーが発生しました</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ポート番号は0～65535の範囲で設定してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ソケットが作成できません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>リーダ・ライタを自動認識できません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>カードからのデータの読み込みに失敗しました</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SF カードを認識することができません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>カードの読み取り
読み取り</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>基本的な設定を行います
設定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Suicaグリーン情報の読み取り
Suicaグリーン券</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>履歴読み上げを開始
読み上げ開始</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>履歴読み上げを中止
読み上げ中止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>カードイメージのファイルをリーダ・ライタ上のカードとして読みます
カードイメージを開く</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>リーダ・ライタ上のカードをカードイメージのファイルに保存します
カードイメージとして保存</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>駅名表 (CSV ファイル) の駅名を自分の駅名表に取り込みます
駅名表を取り込む</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>自分で登録した駅名を CSV ファイルに書き出します
駅名表を書き出す</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History.db に保存されたカードの一覧を表示します
保存済みカード</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>履歴を日付・区間・金額の一行ずつの一覧で表示します
シンプル表示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>表示中のカードの月ごとの運賃・物販・チャージと残高の推移を表示します
利用集計</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>期間内の運賃を交通費の一覧にします
交通費の一覧</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>新しい空のドキュメントを作ります
新規作成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ドキュメントを開きます
開く</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>履歴をファイルに保存します
名前を付けて保存</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタと印刷の設定を変えます
プリンタの設定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>履歴を印刷します
印刷</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>印刷される姿を表示します
印刷プレビュー</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>選んだセルと履歴の図をクリップボードにコピーします
コピー</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>選んだ部分を切り取ります
切り取り</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>クリップボードの内容を貼り付けます
貼り付け</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>すべてのセルを選びます
すべて選択</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>直前の操作を元に戻します
元に戻す</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プログラムの情報とバージョンを表示します
バージョン情報</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>アプリケーションを終了します
終了</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ヘルプのトピックを表示します
ヘルプ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>クリックした項目のヘルプを表示します
ヘルプ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ヘルプの目次を表示します
ヘルプ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>次のウィンドウ枠に切り替えます
次のウィンドウ枠</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>前のウィンドウ枠に切り替えます
前のウィンドウ枠</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ツール バーの表示と非表示を切り替えます
ツール バー</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ステータス バーの表示と非表示を切り替えます
ステータス バー</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
